#include "pipeline/job_record.h"

#include <charconv>
#include <system_error>

#include "base/atomic_file.h"
#include "base/state_folder.h"
#include "base/text.h"

namespace tarnwick {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view header = "Tarnwick download 1";
constexpr std::string_view footer = "end";

bool needsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7f || c == '%';
}

std::string escaped(std::wstring_view value) {
  constexpr char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : wideToUtf8(value)) {
    if (!needsEscape(c)) {
      out += static_cast<char>(c);
      continue;
    }
    out += '%';
    out += hex[c >> 4];
    out += hex[c & 15];
  }
  return out;
}

std::optional<std::wstring> unescaped(std::string_view value) {
  std::string bytes;
  for (std::size_t i = 0; i < value.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(value[i]);
    if (c != '%') {
      if (needsEscape(c)) return std::nullopt;
      bytes += value[i];
      continue;
    }
    unsigned int code = 0;
    if (i + 3 > value.size() ||
        std::from_chars(value.data() + i + 1, value.data() + i + 3, code, 16).ptr != value.data() + i + 3)
      return std::nullopt;
    bytes += static_cast<char>(code);
    i += 2;
  }
  return utf8ToWide(bytes);
}

void appendLine(std::string& out, std::string_view key, std::string_view value) {
  out += key;
  out += ' ';
  out += value;
  out += '\n';
}

// Splits "key value" lines; nullopt unless the text ends with a line break.
std::optional<std::vector<std::string_view>> linesOf(std::string_view text) {
  if (text.empty() || text.back() != '\n') return std::nullopt;
  std::vector<std::string_view> lines;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool readField(JobRecord& record, std::string_view key, std::string_view raw) {
  std::optional<std::wstring> value = unescaped(raw);
  if (!value) return false;
  if (key == "marker") {
    record.marker = std::move(*value);
    return isJobMarker(record.marker);
  }
  if (key == "playlist") {
    record.playlist = *value == L"1";
    return record.playlist || *value == L"0";
  }
  if (key == "folder") {
    record.folder = std::move(*value);
    return toPath(record.folder).is_absolute();
  }
  if (key == "subfolder") {
    record.subfoldersBefore.push_back(std::move(*value));
    return true;
  }
  return false;
}

}  // namespace

JobRecord jobRecordOf(const JobFolder& folder, std::wstring marker, bool playlist,
                      const std::set<std::wstring>& entriesBefore) {
  JobRecord record{folder.resolved, std::move(marker), playlist, {}};
  if (!playlist) return record;
  std::error_code error;
  for (const std::wstring& name : entriesBefore)
    if (fs::is_directory(fs::symlink_status(toPath(pathInside(folder.resolved, name)), error)))
      record.subfoldersBefore.push_back(name);
  return record;
}

std::string serializeJobRecord(const JobRecord& record) {
  std::string out(header);
  out += '\n';
  appendLine(out, "marker", escaped(record.marker));
  appendLine(out, "playlist", record.playlist ? "1" : "0");
  appendLine(out, "folder", escaped(record.folder));
  for (const std::wstring& subfolder : record.subfoldersBefore)
    appendLine(out, "subfolder", escaped(subfolder));
  out += footer;
  out += '\n';
  return out;
}

std::optional<JobRecord> parseJobRecord(std::string_view bytes) {
  std::optional<std::vector<std::string_view>> lines = linesOf(bytes);
  if (!lines || lines->size() < 5 || lines->front() != header || lines->back() != footer) return std::nullopt;
  JobRecord record;
  std::set<std::string_view> seen;
  for (std::size_t i = 1; i + 1 < lines->size(); ++i) {
    std::string_view line = (*lines)[i];
    std::size_t space = line.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    std::string_view key = line.substr(0, space);
    if (key != "subfolder" && !seen.insert(key).second) return std::nullopt;
    if (!readField(record, key, line.substr(space + 1))) return std::nullopt;
  }
  if (!seen.contains("marker") || !seen.contains("playlist") || !seen.contains("folder")) return std::nullopt;
  return record;
}

fs::path jobRecordsFolder() {
  fs::path state = stateFolder();
  return state.empty() ? state : state / "jobs";
}

fs::path jobRecordPath(std::wstring_view marker) {
  fs::path folder = jobRecordsFolder();
  // ".ctmp-<token>" becomes "<token>.job".
  return folder.empty() ? folder
                        : folder / toPath(std::wstring(marker.substr(tempMarker.size() + 1)) + L".job");
}

bool writeJobRecord(const JobRecord& record) {
  fs::path file = jobRecordPath(record.marker);
  if (file.empty()) return false;
  std::error_code error;
  fs::create_directories(file.parent_path(), error);
  return !error && writeFileAtomically(file, serializeJobRecord(record));
}

void removeJobRecord(std::wstring_view marker) {
  fs::path file = jobRecordPath(marker);
  std::error_code ignored;
  if (!file.empty()) fs::remove(file, ignored);
}

}  // namespace tarnwick
