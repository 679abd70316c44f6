// The language table: every text the user sees, in 17 languages, compiled into the program.
//
// The active row is the process-wide atomic `language` (base/job_control.h). Lookups read it at
// the moment they format a text, so they are safe on any thread and a language change affects
// only texts formatted afterwards.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tarnwick {

inline constexpr int languageCount = 17;
inline constexpr int languageFieldCount = 54;

// One row of the table. Members are in field order (field 0 first); a null member falls back to
// the English row. Look fields up by number through languageField / uiField.
struct LanguagePack {
  const wchar_t* code;               // 0  "en"
  const wchar_t* nativeName;         // 1  language list and language button
  const wchar_t* headlineStart;      // 2  headline = fields 2 + 3 + 4, field 3 emphasised
  const wchar_t* headlineEmphasis;   // 3
  const wchar_t* headlineEnd;        // 4
  const wchar_t* subtitle;           // 5
  const wchar_t* linkCue;            // 6  cue text of the link box
  const wchar_t* paste;              // 7
  const wchar_t* download;           // 8  button; log line of a new download
  const wchar_t* cancel;             // 9
  const wchar_t* video;              // 10
  const wchar_t* audio;              // 11
  const wchar_t* wholePlaylist;      // 12
  const wchar_t* qualityCaption;     // 13
  const wchar_t* saveToCaption;      // 14
  const wchar_t* best;               // 15 quality chip of row 0
  const wchar_t* changeFolder;       // 16
  const wchar_t* openFolder;         // 17
  const wchar_t* showInFolder;       // 18
  const wchar_t* logCaption;         // 19
  const wchar_t* clearLog;           // 20
  const wchar_t* ready;              // 21 status 19
  const wchar_t* preparing;          // 22 status 20
  const wchar_t* setupDownloading;   // 23 {0} = file name
  const wchar_t* setupExtracting;    // 24 {0} = file name
  const wchar_t* updatingYtDlp;      // 25
  const wchar_t* analyzing;          // 26
  const wchar_t* downloading;        // 27
  const wchar_t* timeLeft;           // 28 {0} = remaining time
  const wchar_t* merging;            // 29
  const wchar_t* converting;         // 30 {0} = target format
  const wchar_t* starting;           // 31 status 29
  const wchar_t* cancelling;         // 32 status 30
  const wchar_t* done;               // 33 status 31
  const wchar_t* cancelled;          // 34 status 32
  const wchar_t* failed;             // 35 status 33
  const wchar_t* setupFailed;        // 36 status 34
  const wchar_t* linkMissing;        // 37 status 35
  const wchar_t* folderInvalid;      // 38 status 36
  const wchar_t* queuedBehindSetup;  // 39 log line
  const wchar_t* quitQuestion;       // 40
  const wchar_t* welcome;            // 41 log line
  const wchar_t* lossless;           // 42
  const wchar_t* search;             // 43 button; log line of a new search
  const wchar_t* searching;          // 44
  const wchar_t* noResults;          // 45 status 43
  const wchar_t* views;              // 46 {0} = number
  const wchar_t* videoUnavailable;   // 47
  const wchar_t* searchFailed;       // 48 status 46
  // Names a screen reader speaks for things the window shows without a text of their own.
  const wchar_t* containerGroup;  // 49 the format chips in Video mode
  const wchar_t* formatGroup;     // 50 the format chips in Audio mode
  const wchar_t* qualityGroup;    // 51 the quality chips
  const wchar_t* bitrateGroup;    // 52 the bitrate chips
  const wchar_t* logName;         // 53 the log view
};

// Field numbers for callers that prefer names to the numbers of the table.
enum LanguageField : int {
  fieldCode = 0,
  fieldNativeName = 1,
  fieldHeadlineStart = 2,
  fieldHeadlineEmphasis = 3,
  fieldHeadlineEnd = 4,
  fieldSubtitle = 5,
  fieldLinkCue = 6,
  fieldPaste = 7,
  fieldDownload = 8,
  fieldCancel = 9,
  fieldVideo = 10,
  fieldAudio = 11,
  fieldWholePlaylist = 12,
  fieldQualityCaption = 13,
  fieldSaveToCaption = 14,
  fieldBest = 15,
  fieldChangeFolder = 16,
  fieldOpenFolder = 17,
  fieldShowInFolder = 18,
  fieldLogCaption = 19,
  fieldClearLog = 20,
  fieldReady = 21,
  fieldPreparing = 22,
  fieldSetupDownloading = 23,
  fieldSetupExtracting = 24,
  fieldUpdatingYtDlp = 25,
  fieldAnalyzing = 26,
  fieldDownloading = 27,
  fieldTimeLeft = 28,
  fieldMerging = 29,
  fieldConverting = 30,
  fieldStarting = 31,
  fieldCancelling = 32,
  fieldDone = 33,
  fieldCancelled = 34,
  fieldFailed = 35,
  fieldSetupFailed = 36,
  fieldLinkMissing = 37,
  fieldFolderInvalid = 38,
  fieldQueuedBehindSetup = 39,
  fieldQuitQuestion = 40,
  fieldWelcome = 41,
  fieldLossless = 42,
  fieldSearch = 43,
  fieldSearching = 44,
  fieldNoResults = 45,
  fieldViews = 46,
  fieldVideoUnavailable = 47,
  fieldSearchFailed = 48,
  fieldContainerGroup = 49,
  fieldFormatGroup = 50,
  fieldQualityGroup = 51,
  fieldBitrateGroup = 52,
  fieldLogName = 53,
};

// uiText ids count from field 2 (id = field − 2), like AppState::statusId.
inline constexpr int firstTextField = 2;

// The table, rows in this order: en de fr es it pt nl pl tr ru uk ar hi id ja ko zh.
[[nodiscard]] const LanguagePack& languagePack(int row);

// Field `field` of `pack` as stored: null when the row lacks it or the number is unknown.
[[nodiscard]] const wchar_t* storedField(const LanguagePack& pack, int field);

// Field `field` of `pack`, with the English row's field when the pack has none; empty for an
// unknown field number.
[[nodiscard]] std::wstring_view packField(const LanguagePack& pack, int field);

// Field `field` of row `row`, with the English row's field when the row has none. An unknown row
// reads the English row; an unknown field is empty.
[[nodiscard]] std::wstring_view languageField(int row, int field);

// The active row (`language`), clamped to English when it holds no valid row.
[[nodiscard]] int activeLanguage();

// Field n of the active row (English fallback).
[[nodiscard]] std::wstring_view uiField(int field);

// Field id + 2 of the active row (English fallback) with the first "{0}" replaced by `argument`.
// A text shorter than 3 characters or without "{0}" comes back unchanged.
[[nodiscard]] std::wstring uiText(int id, std::wstring_view argument = {});

// The same with an explicit row, for texts formatted for a language other than the active one.
[[nodiscard]] std::wstring formatField(int row, int field, std::wstring_view argument);

// The substitution rule of uiText: the first "{0}" becomes `argument`; a text shorter than 3
// characters or without "{0}" is returned unchanged.
[[nodiscard]] std::wstring replacePlaceholder(std::wstring_view text, std::wstring_view argument);

}  // namespace tarnwick
