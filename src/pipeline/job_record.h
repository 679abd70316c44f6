// The note a running download job keeps in the state folder: the folder it writes into and its
// marker. It is written, durably, before the job starts a tool and removed when the job ends, so a
// note found at start belongs to a job that was killed, and names exactly what that job may have
// left. A note that outlives a finished job is harmless: none of that job's marked files remain.
#pragma once

#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "pipeline/job_files.h"

namespace tarnwick {

struct JobRecord {
  std::wstring folder;  // absolute, as the system resolved it when the job started
  std::wstring marker;  // the job's own (newJobMarker)
  bool playlist = false;
  // A playlist job's folder's subfolders at its start: a sweep never removes one of those.
  std::vector<std::wstring> subfoldersBefore;
};

// The record of a job that saves into `folder`, whose entries were `entriesBefore` at its start.
[[nodiscard]] JobRecord jobRecordOf(const JobFolder& folder, std::wstring marker, bool playlist,
                                    const std::set<std::wstring>& entriesBefore);

// A few lines of UTF-8 text, closed by "end"; a control character or "%" in a value is written as
// "%XX", so a folder with a line break in its name stays one line.
[[nodiscard]] std::string serializeJobRecord(const JobRecord& record);
// nullopt for anything serializeJobRecord did not write whole: garbage, a cut-off file, a marker
// that is not a job's, a folder that is not absolute.
[[nodiscard]] std::optional<JobRecord> parseJobRecord(std::string_view bytes);

// <state folder>/jobs; empty when the state folder is unknown.
[[nodiscard]] std::filesystem::path jobRecordsFolder();
// Where the job with `marker` keeps its record (empty when the state folder is unknown).
[[nodiscard]] std::filesystem::path jobRecordPath(std::wstring_view marker);

// True once the record is on the disk.
[[nodiscard]] bool writeJobRecord(const JobRecord& record);
void removeJobRecord(std::wstring_view marker);

}  // namespace tarnwick
