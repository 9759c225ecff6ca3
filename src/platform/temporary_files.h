// Files that exist only while a job runs (a check copy, a signed copy not
// yet in place). An interrupt ends the process without unwinding, so the
// files are also listed here, and the interrupt handler removes them.
#pragma once

#include <functional>
#include <string>

#include "thread_budget.h"

namespace quillon {

// Lists Path for removal on an interrupt; call right after creating it.
void RegisterTemporaryFile(const std::string& Path);
// Runs Create, which makes the file at Path, and lists Path in one step as
// an interrupt sees it: the file is never there unlisted. Nothing is listed
// when Create raises.
void CreateTemporaryFile(const std::string& Path, const std::function<void()>& Create);
// Takes Path off the list; call once it is removed or has become a real file.
void ForgetTemporaryFile(const std::string& Path);
// Deletes every listed file and empties the list; for the interrupt handler.
void RemoveTemporaryFiles();

// Deletes a listed file on a thread of its own, so that freeing a large file
// costs the caller nothing; the file leaves the list once deleted. That
// thread takes a seat in Threads for each deletion (waiting for a free one),
// so Threads must outlive the deletion (FinishLateDeletions). Files still
// waiting are deleted before the program ends.
void DeleteTemporaryFileLater(const std::string& Path,
                              TThreadBudget& Threads = DefaultThreadBudget());
// Waits until every file handed to DeleteTemporaryFileLater is deleted; for
// benchmarks, which time each step alone, and tests.
void FinishLateDeletions();

// From now on an interrupt (SIGINT or SIGTERM; on Windows Ctrl+C, Ctrl+Break
// or closing the console) removes the listed files and ends the process with
// status 128 + the signal's number (130, 143). POSIX: call before any other
// thread starts, as the signals are then taken by a thread of their own.
void RemoveTemporaryFilesOnInterrupt();

} // namespace quillon
