#pragma once

class ModuleFtp;

// Refills the wizard's class list from the listing of "~/lumora/classes/*", keeping the names
// that pass the term and year filters, in listing order, and selects the first one. The whole
// listing is read, however long.
//
// A failure raised while listing is reported ("Error: " + description + ", " + host), then the
// program cleans up and ends. A listing the server refuses without a raised failure gives an
// empty list.
void ftpListClasses(ModuleFtp& m);
