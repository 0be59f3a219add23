.pragma library
// Where the keyboard's focus goes, for every page: the first control of a page, whether the
// focus is inside an item, and scrolling a focused item into view.

// Whether `item` is `root` or lies inside it.
function within(item, root) {
    for (var it = item; it; it = it.parent) {
        if (it === root)
            return true
    }
    return false
}

// The nearest item around `item` (not itself) that has the property `name`, or null.
function nearest(item, name) {
    for (var it = item.parent; it; it = it.parent) {
        if (it[name] !== undefined)
            return it
    }
    return null
}

// A control of a list row got the keyboard's focus: its row becomes the current one, and the
// control is scrolled into view.
function arrived(control, listRow) {
    if (listRow)
        listRow.makeCurrent()
    reveal(control)
}

// The first control inside `root` that Tab would reach, or null.
function firstControl(root) {
    var next = root.nextItemInFocusChain(true)
    return next && next !== root && within(next, root) ? next : null
}

// Scrolls the nearest scrolling area around `item` so that all of it is in view: a control
// reached by Tab is never left below the window's edge.
function reveal(item) {
    for (var area = item.parent; area; area = area.parent) {
        if (area.contentY === undefined || area.contentItem === undefined)
            continue
        var top = item.mapToItem(area.contentItem, 0, 0).y
        var y = area.contentY
        if (top < y)
            y = top
        else if (top + item.height > y + area.height)
            y = top + item.height - area.height
        var last = area.originY + Math.max(0, area.contentHeight - area.height)
        area.contentY = Math.max(area.originY, Math.min(y, last))
        return
    }
}
