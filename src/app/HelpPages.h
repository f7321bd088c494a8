#pragma once
// The parts of the HTML help that come from the program's own tables, so the
// help never disagrees with the program: the commands with their default keys
// and the mouse actions, the hotkeys notation, every settings key with its
// default and allowed values, and every language file entry. The build fills
// them into the hand-written pages (help/*.html.in) at their markers.
#include <map>
#include <string>
#include <string_view>

namespace vellumo {

// Text made safe for HTML ("<", ">", "&" and quotes escaped).
std::string HtmlEscaped(std::string_view text);

// The command table: number, default key, what the command does.
std::string CommandsHtml();
// The three mouse actions and their default commands.
std::string MouseHtml();
// The key notation of the hotkeys files, as their header lists it.
std::string NotationHtml();
// One table per settings section: key, default, allowed values, meaning.
std::string SettingsHtml();
// The entries of a language file: key, section, English text.
std::string LanguageHtml();

// What a settings key means, for the help ("" for a key without text).
std::string_view SettingsKeyMeaning(std::string_view key);

// Replaces each "<!--generated:NAME-->" of a page by parts.at(NAME). Returns
// false, with the name in `missing`, when the page names a part not given.
bool FillHelpPage(std::string& page, const std::map<std::string, std::string>& parts, std::string* missing);
// Every part the pages may name: commands, mouse, notation, settings, language.
std::map<std::string, std::string> HelpParts();
// The macro table of the help, from the comment's macro names; the meaning
// of one macro ("" for a name the help does not describe).
std::string MacrosHtml();
std::string_view MacroMeaning(std::string_view macro);

}  // namespace vellumo
