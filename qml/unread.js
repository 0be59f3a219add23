.pragma library
// Which notifications are unread: those whose read_at is null or absent. An empty read_at is
// read, as the service marks it.

function is(record) {
    return record.read_at === null || record.read_at === undefined
}

// How many of a list of records are unread.
function count(records) {
    return records.filter(is).length
}
