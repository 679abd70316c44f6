// Icon roles and their glyphs in the two icon fonts Tarnwick draws with: Material Icons (Debian's
// fonts-material-design-icons-iconfont) and Windows' Segoe MDL2 Assets / Segoe Fluent Icons, which
// share their code points. An icon is drawn as one character in an icon text format.
#pragma once

namespace tarnwick {

enum class Icon {
  download,      // Download action button; idle status
  paste,         // Paste button
  link,          // link field holding a link (or nothing)
  search,        // link field and action button holding a search query
  folder,        // start of the folder path box
  changeFolder,  // Change folder button
  openFolder,    // Open folder button
  cancel,        // Cancel button; cancelled status
  done,          // finished download
  error,         // failure status; unavailable preview
  clearLog,      // Clear log button
  video,         // Video segment
  audio,         // Audio segment
  globe,         // language button
  chevron,       // language button's chevron
  check,         // active language in the language popup
  person,        // before the channel name in the preview
};

enum class IconSet { material, segoe };

// The glyph's code point in Material Icons.
[[nodiscard]] constexpr wchar_t iconGlyph(Icon icon) {
  switch (icon) {
    case Icon::download:
      return 0xE2C4;  // file_download
    case Icon::paste:
      return 0xE14F;  // content_paste
    case Icon::link:
      return 0xE157;  // link
    case Icon::search:
      return 0xE8B6;  // search
    case Icon::folder:
      return 0xE2C7;  // folder
    case Icon::changeFolder:
      return 0xE3C9;  // edit
    case Icon::openFolder:
      return 0xE2C8;  // folder_open
    case Icon::cancel:
      return 0xE5CD;  // close
    case Icon::done:
      return 0xE86C;  // check_circle
    case Icon::error:
      return 0xE000;  // error
    case Icon::clearLog:
      return 0xE16C;  // delete_sweep
    case Icon::video:
      return 0xE04B;  // videocam
    case Icon::audio:
      return 0xE405;  // music_note
    case Icon::globe:
      return 0xE894;  // language
    case Icon::chevron:
      return 0xE5CF;  // expand_more
    case Icon::check:
      return 0xE5CA;  // check
    case Icon::person:
      return 0xE7FD;  // person
  }
  return 0;
}

[[nodiscard]] constexpr wchar_t segoeIconGlyph(Icon icon) {
  switch (icon) {
    case Icon::download:
      return 0xE896;
    case Icon::paste:
      return 0xE77F;
    case Icon::link:
      return 0xE71B;
    case Icon::search:
      return 0xE721;
    case Icon::folder:
      return 0xE8B7;
    case Icon::changeFolder:
      return 0xE70F;
    case Icon::openFolder:
      return 0xE838;
    case Icon::cancel:
      return 0xE711;
    case Icon::done:
      return 0xE930;
    case Icon::error:
      return 0xE783;
    case Icon::clearLog:
      return 0xE74D;
    case Icon::video:
      return 0xE714;
    case Icon::audio:
      return 0xE8D6;
    case Icon::globe:
      return 0xE774;
    case Icon::chevron:
      return 0xE70D;
    case Icon::check:
      return 0xE73E;
    case Icon::person:
      return 0xE77B;
  }
  return 0;
}

[[nodiscard]] constexpr wchar_t iconGlyph(Icon icon, IconSet set) {
  return set == IconSet::segoe ? segoeIconGlyph(icon) : iconGlyph(icon);
}

}  // namespace tarnwick
