#pragma once

// Times the export of a book of 1,000,000 entries to each format, and the
// import of 100,000 entries from each format, into an empty book and into
// a book of 1,000,000, in processor time. Prints one line per action: the
// action, the median and the slowest time in milliseconds, separated by tabs.
int runExchangeBench();
