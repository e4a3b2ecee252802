// The anchor of a message's entry in the page's help (help.html): "m-" and
// its words in lower case, joined by "-" ("Table not found": m-table-not-found).
export function messageAnchor(message) {
  return 'm-' + message.toLowerCase().replace(/[^a-z0-9]+/g, '-').replace(/^-|-$/g, '');
}
