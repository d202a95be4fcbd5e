#pragma once
// The width of every text column of the data file, in characters: the schema declares them, the
// engine keeps them, and the pages' edits take no more than them.
namespace data {

constexpr int kShortcutWidth = 12;      // Shortcuts.s_shortcut
constexpr int kShortcutDescWidth = 64;  // Shortcuts.s_desc
constexpr int kShortcutTextWidth = 255; // Shortcuts.s_text
constexpr int kSourceLangWidth = 20;    // SourceLib.l_lang
constexpr int kSourceFieldWidth = 30;   // SourceLib.l_field, the category
constexpr int kSourceDescWidth = 120;   // SourceLib.l_desc
constexpr int kSourcePathWidth = 120;   // SourceLib.l_path
constexpr int kSourceOpenWithWidth = 100; // SourceLib.l_openwith
constexpr int kSourceFileNameWidth = 30;  // SourceLib.l_filename, the path's last part
constexpr int kEnvNameWidth = 20;       // Env.e_name
constexpr int kEnvDescWidth = 60;       // Env.e_desc
constexpr int kAppNameWidth = 20;       // EnvApps.a_name
constexpr int kAppCmdLineWidth = 60;    // EnvApps.a_cmdline
constexpr int kAppPathWidth = 100;      // EnvApps.a_path
constexpr int kClipboardTextWidth = 120; // Clipboard.c_text

} // namespace data
