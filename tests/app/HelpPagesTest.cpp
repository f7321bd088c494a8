// The generated parts of the HTML help.
#include <gtest/gtest.h>

#include "app/HelpPages.h"
#include "comments/Macros.h"
#include "config/Settings.h"

using namespace vellumo;

namespace {
bool Has(const std::string& html, const std::string& part) { return html.find(part) != std::string::npos; }
}  // namespace

TEST(HelpPages, TheCommandTableShowsEachDefaultKeyAndMeaning) {
    std::string html = CommandsHtml();
    EXPECT_TRUE(Has(html, "<tr><td><kbd>PageUp</kbd></td><td>100</td><td>zoom in</td></tr>"));
    EXPECT_TRUE(Has(html, "<tr><td><kbd>PageDown</kbd></td><td>101</td><td>zoom out</td></tr>"));
    EXPECT_TRUE(Has(html, "<tr><td><kbd>Arrow Left</kbd></td><td>104</td>"));
    EXPECT_TRUE(Has(html, "<tr><td><kbd>&quot;-&quot;</kbd></td><td>114</td><td>go to previous photo</td></tr>"));
    EXPECT_TRUE(Has(html, "<tr><td>&mdash;</td><td>118</td><td>start total slideshow</td></tr>"));
    EXPECT_TRUE(Has(html, "<tr><td><kbd>Ctrl+&quot;,&quot;</kbd></td><td>145</td><td>decrease font size by 2 units</td></tr>"));
    // Said as the program does it here, not as the hotkeys file's remarks say it.
    EXPECT_TRUE(Has(html, "<tr><td><kbd>Ctrl+T</kbd></td><td>156</td>"
                          "<td>edit the text file with the photo&#39;s comment in the text editor</td></tr>"));
    EXPECT_FALSE(Has(html, "Notepad"));
    EXPECT_FALSE(Has(html, "Explorer"));
    EXPECT_TRUE(Has(html, "<tr><td><kbd>Shift+Backspace</kbd></td><td>163</td>"));
    EXPECT_TRUE(Has(html, "<tr><td><kbd>Context</kbd></td><td>173</td><td>call context menu</td></tr>"));
    // One row per command.
    size_t rows = 0;
    for (size_t at = 0; (at = html.find("<tr><td>", at)) != std::string::npos; ++at) ++rows;
    EXPECT_EQ(rows, 74u);
}

TEST(HelpPages, MouseAndNotationComeFromTheHotkeysDefaults) {
    std::string mouse = MouseHtml();
    EXPECT_TRUE(Has(mouse, "<tr><td>LeftDoubleClick</td><td>125</td><td>show or hide navigator window</td></tr>"));
    EXPECT_TRUE(Has(mouse, "<tr><td>RightClick</td><td>172</td><td>call main menu</td></tr>"));
    std::string notation = NotationHtml();
    EXPECT_TRUE(Has(notation, "Pause Esc Backspace Enter Spacebar Context\n"));
    EXPECT_TRUE(Has(notation, "none (hotkey is absent)\n"));
    EXPECT_FALSE(Has(notation, "Author"));
}

TEST(HelpPages, EverySettingsKeyIsListedWithDefaultRangeAndMeaning) {
    for (const SettingsKey& key : SettingsKeys()) EXPECT_FALSE(SettingsKeyMeaning(key.name).empty()) << key.name;
    std::string html = SettingsHtml();
    EXPECT_TRUE(Has(html, "<h3>[General Settings]</h3>"));
    EXPECT_TRUE(Has(html, "<h3>[Commands Settings]</h3>"));
    EXPECT_TRUE(Has(html, "<tr><td><code>KeysHelpRunCount</code></td><td><code>0</code></td><td>(0-10)</td>"));
    EXPECT_TRUE(Has(html, "<tr><td><code>SlideShowDelay</code></td><td><code>3.0</code></td>"
                          "<td>in seconds (1.00-600.00)</td>"));
    EXPECT_TRUE(Has(html, "<tr><td><code>ScaleStart</code></td><td><code>a</code></td>"
                          "<td>(r-Real, f-Fit to Screen, a-Auto)</td>"));
    EXPECT_TRUE(Has(html, "<tr><td><code>MusicSearchMask</code></td><td><code>.\\*.mp3</code></td>"));
    EXPECT_TRUE(Has(html, "<tr><td><code>PathHorizon</code></td><td><i>empty</i></td>"));
    EXPECT_TRUE(Has(html, "<td>(all; _all_; none; 11,12,13,14, ...)</td>"));
    EXPECT_TRUE(Has(html, "<i>(read from the archive file only)</i>"));
    for (const SettingsKey& key : SettingsKeys())
        EXPECT_TRUE(Has(html, "<tr><td><code>" + std::string(key.name) + "</code></td>")) << key.name;
}

TEST(HelpPages, LanguageEntriesAreEscaped) {
    std::string html = LanguageHtml();
    EXPECT_TRUE(Has(html, "<tr><td><code>RotateLeft</code></td><td>Main Menu</td>"
                          "<td><code>Rotate Left\\t&quot;[&quot;</code></td></tr>"));
    EXPECT_TRUE(Has(html, "<tr><td><code>HelpTotal</code></td><td>Language Settings</td>"
                          "<td><code>help\\Help.English.html</code></td></tr>"));
    EXPECT_EQ(HtmlEscaped("<a & \"b\" 'c'>"), "&lt;a &amp; &quot;b&quot; &#39;c&#39;&gt;");
}

TEST(HelpPages, MarkersAreReplacedAndAnUnknownOneIsReported) {
    std::string page = "<p>a</p><!--generated:one--><p>b</p><!--generated:two--><!--plain comment-->";
    std::string missing;
    EXPECT_TRUE(FillHelpPage(page, {{"one", "[1 <!--generated:two-->]"}, {"two", "[2]"}}, &missing));
    // A part's own text is not searched again.
    EXPECT_EQ(page, "<p>a</p>[1 <!--generated:two-->]<p>b</p>[2]<!--plain comment-->");
    std::string bad = "x<!--generated:nothing-->y";
    EXPECT_FALSE(FillHelpPage(bad, HelpParts(), &missing));
    EXPECT_EQ(missing, "nothing");
}

TEST(HelpPages, EveryMacroTheCommentExpandsIsDescribed) {
    const std::string html = MacrosHtml();
    for (std::string_view name : MacroNames()) {
        EXPECT_FALSE(MacroMeaning(name).empty()) << name;
        EXPECT_NE(html.find("<code>" + std::string(name) + "</code>"), std::string::npos) << name;
    }
    EXPECT_NE(html.find("<tr><td><code>%SLIDESHOW_CURRENT%</code></td><td>the place of this photo in the running "
                        "slideshow</td></tr>"),
              std::string::npos);
}
