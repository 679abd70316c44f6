#include "app/localization.h"

#include <array>

#include "app/language_rows.h"
#include "base/job_control.h"

namespace tarnwick {
namespace {

using FieldPointer = const wchar_t* LanguagePack::*;

// Field number → member; the order of LanguagePack's members.
constexpr std::array<FieldPointer, languageFieldCount> fieldMembers = {
    &LanguagePack::code,
    &LanguagePack::nativeName,
    &LanguagePack::headlineStart,
    &LanguagePack::headlineEmphasis,
    &LanguagePack::headlineEnd,
    &LanguagePack::subtitle,
    &LanguagePack::linkCue,
    &LanguagePack::paste,
    &LanguagePack::download,
    &LanguagePack::cancel,
    &LanguagePack::video,
    &LanguagePack::audio,
    &LanguagePack::wholePlaylist,
    &LanguagePack::qualityCaption,
    &LanguagePack::saveToCaption,
    &LanguagePack::best,
    &LanguagePack::changeFolder,
    &LanguagePack::openFolder,
    &LanguagePack::showInFolder,
    &LanguagePack::logCaption,
    &LanguagePack::clearLog,
    &LanguagePack::ready,
    &LanguagePack::preparing,
    &LanguagePack::setupDownloading,
    &LanguagePack::setupExtracting,
    &LanguagePack::updatingYtDlp,
    &LanguagePack::analyzing,
    &LanguagePack::downloading,
    &LanguagePack::timeLeft,
    &LanguagePack::merging,
    &LanguagePack::converting,
    &LanguagePack::starting,
    &LanguagePack::cancelling,
    &LanguagePack::done,
    &LanguagePack::cancelled,
    &LanguagePack::failed,
    &LanguagePack::setupFailed,
    &LanguagePack::linkMissing,
    &LanguagePack::folderInvalid,
    &LanguagePack::queuedBehindSetup,
    &LanguagePack::quitQuestion,
    &LanguagePack::welcome,
    &LanguagePack::lossless,
    &LanguagePack::search,
    &LanguagePack::searching,
    &LanguagePack::noResults,
    &LanguagePack::views,
    &LanguagePack::videoUnavailable,
    &LanguagePack::searchFailed,
    &LanguagePack::containerGroup,
    &LanguagePack::formatGroup,
    &LanguagePack::qualityGroup,
    &LanguagePack::bitrateGroup,
    &LanguagePack::logName,
};
// A member added to LanguagePack without a field number would change its size.
static_assert(sizeof(LanguagePack) == languageFieldCount * sizeof(const wchar_t*));

const std::array<const LanguagePack*, languageCount> table = {
    &language_rows::english, &language_rows::german,     &language_rows::french,    &language_rows::spanish,
    &language_rows::italian, &language_rows::portuguese, &language_rows::dutch,     &language_rows::polish,
    &language_rows::turkish, &language_rows::russian,    &language_rows::ukrainian, &language_rows::arabic,
    &language_rows::hindi,   &language_rows::indonesian, &language_rows::japanese,  &language_rows::korean,
    &language_rows::chinese,
};

bool isValidRow(int row) {
  return row >= 0 && row < languageCount;
}

}  // namespace

const LanguagePack& languagePack(int row) {
  return *table[isValidRow(row) ? row : 0];
}

const wchar_t* storedField(const LanguagePack& pack, int field) {
  if (field < 0 || field >= languageFieldCount) return nullptr;
  return pack.*fieldMembers[field];
}

std::wstring_view packField(const LanguagePack& pack, int field) {
  const wchar_t* text = storedField(pack, field);
  if (text == nullptr) text = storedField(language_rows::english, field);
  return text != nullptr ? std::wstring_view(text) : std::wstring_view();
}

std::wstring_view languageField(int row, int field) {
  return packField(languagePack(row), field);
}

int activeLanguage() {
  int row = language.load(std::memory_order_relaxed);
  return isValidRow(row) ? row : 0;
}

std::wstring_view uiField(int field) {
  return languageField(activeLanguage(), field);
}

std::wstring replacePlaceholder(std::wstring_view text, std::wstring_view argument) {
  std::wstring result(text);
  if (result.size() < 3) return result;
  std::size_t at = result.find(L"{0}");
  if (at != std::wstring::npos) result.replace(at, 3, argument);
  return result;
}

std::wstring formatField(int row, int field, std::wstring_view argument) {
  return replacePlaceholder(languageField(row, field), argument);
}

std::wstring uiText(int id, std::wstring_view argument) {
  if (id < 0 || id >= languageFieldCount - firstTextField) return {};
  return formatField(activeLanguage(), id + firstTextField, argument);
}

}  // namespace tarnwick
