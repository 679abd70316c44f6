// Cleaning up after download jobs that never ended (the program was killed, the machine lost
// power): their records (job_record.h) name the folder and the marker of what they left.
#pragma once

#include <string>
#include <vector>

#include "pipeline/job_record.h"

namespace tarnwick {

// Job thread, in the setup job at start, before any download can run. For every record: removes
// that job's files, logs one line naming them and drops the record. A damaged record is dropped
// with a log line and nothing else is touched.
void sweepInterruptedJobs();

// Removes the regular files that carry the record's marker directly in its folder and, for a
// playlist job, one level below, then each playlist subfolder the job made and left empty. Links
// are neither followed nor removed; a folder that no longer resolves to itself (a link put in its
// place) is left alone. Answers the removed names, relative to the folder.
std::vector<std::wstring> removeFilesOf(const JobRecord& record);

}  // namespace tarnwick
