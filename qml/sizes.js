.pragma library
// The sizes of every page, named by use: the type scale in pixels and the widths of dialogs.

var brand = 34          // the product's name on the sign-in page
var figure = 28         // the wallet balance
var sidebarBrand = 22   // the product's name in the sidebar
var title = 20          // page titles, the stars of a review
var subtitle = 18       // detail-page and section titles
var clock = 16          // the exam clock
var plain = 14          // plain text, sub-headings within a page
var summary = 13        // an order's summary line
var secondary = 12      // secondary lines
var meta = 11           // meta lines: statuses, dates, counts

var dialog = 460        // a dialog of several fields
var noteDialog = 440    // a dialog around one multi-line field
var shortDialog = 420   // a dialog of one or two short fields
