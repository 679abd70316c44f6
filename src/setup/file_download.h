// Fetches one URL into one file for the setup, reporting progress to the window.
#pragma once

#include <string>
#include <string_view>

namespace tarnwick {

// Downloads `url` (http or https) into `destination` on the job thread, blocking until the
// transfer ends. Posts the start text ("Setting up: downloading <displayName> …") as a log line
// and as the status, an indeterminate progress, and while data arrives with a known length the
// progress in tenths of a percent (at most one post per tenth) with a status showing megabytes.
//
// The data goes to `destination` + ".part", which replaces `destination` only once complete
// (with the executable bits first when `executable`); a failed or cancelled transfer leaves an
// older destination untouched and no ".part" behind. Any status other than 2xx, a time-out (to
// connect, without data, or for the whole transfer), a body over the size limit (announced or
// not), a body cut short, a redirect from https to http, a connection failure and a libcurl that
// cannot be loaded are failures (libcurl on POSIX, URLMon on Windows), logged as
// "Error: download of <displayName> failed (...)."; a cancel (cancelRequested) aborts the
// transfer and logs nothing. With `expectedSha256` (lower-case hex) the complete body must have
// that hash before it is made executable or put in place; otherwise it is deleted and
// "Error: the download of <displayName> does not match its published checksum." is logged.
// Answers true when the file now holds the downloaded content.
[[nodiscard]] bool downloadFile(const std::wstring& url, const std::wstring& destination,
                                const std::wstring& displayName, bool executable = false,
                                std::string_view expectedSha256 = {});

// Fetches a small file (up to 1 MB, a checksum list) into `body` under the same rules as
// downloadFile, posting nothing. Answers why it failed ("HTTP 404", "curl error ..."), or empty.
[[nodiscard]] std::wstring downloadSmallFile(const std::wstring& url, std::string& body);

}  // namespace tarnwick
