#pragma once

// Times the export of 100,000 entries to a bookmark file by the whole
// program beside buku's (where buku is installed), the import of 100,000
// bookmarks from Firefox's and Chromium's own files, the export of a book of
// 1,000,000 entries to each format, and the import of 100,000 entries from
// each format, into an empty book and into a book of 1,000,000, in
// processor time (wall time for whole programs). Prints one line per action: the
// action, the median and the slowest time in milliseconds, separated by tabs.
int runExchangeBench();
