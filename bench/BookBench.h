#pragma once

// In a child process: every user action of the main window and the editor
// on one book of `entries` entries (skewed: one category far larger than the
// rest), next to the plain SQL statement that computes the same result, then
// the time until a change is in the book and the opens of a second run.
// Prints one line per action: name, median, p95 and plain SQL median in ms,
// separated by tabs; then the peak resident memory.
int runBook(int entries, bool skewed);
