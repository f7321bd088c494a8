#include <gtest/gtest.h>

#include "ConfigTestSupport.h"
#include "config/Language.h"
#include "config/ProfileFile.h"

using namespace vellumo;
using vellumo::testing::TempFolder;

namespace {

std::string CrLfLines(std::initializer_list<const char*> lines) {
    std::string out;
    for (const char* l : lines) out += std::string(l) + "\r\n";
    return out;
}

const std::string kEnglishFile = CrLfLines({
    R"(; Vellumo language file)",
    R"(; Author:)",
    R"()",
    R"([Language Settings])",
    R"(HelpTotal=help\Help.English.html   ; command for 'Shell execute' to run program help)",
    R"(HelpHotKeys=help\Keys.English.html   ; command for 'Shell execute' to run hot keys hint)",
    R"(CharSet=ANSI   ; ANSI,BALTIC,EASTEUROPE,GB2312,GREEK,HANGUL,MAC,OEM,RUSSIAN,SHIFTJIS,SYMBOL,TURKISH,JOHAB,HEBREW,ARABIC,THAI)",
    R"()",
    R"([General])",
    R"(Photoarchive=Photoarchive   ; default archive name)",
    R"(SlideShow=SlideShow   ; prefix for slideshow scripts)",
    R"(VoidLocalSettingsFile=Void Local Settings File   ; default value in menu (Shift+D))",
    R"()",
    R"([Main Menu])",
    R"(ZoomIn=Zoom In\tPageUp   ; in all menu items \t characters will be replaced by tab)",
    R"(ZoomOut=Zoom Out\tPageDown)",
    R"(RealScale=Real Scale\tHome)",
    R"(FitToScreen=Fit to Screen\tEnd)",
    R"(MoveLeft=Move Left\tArrow Left)",
    R"(MoveRight=Move Right\tArrow Right)",
    R"(MoveUp=Move Up\tArrow Up)",
    R"(MoveDown=Move Down\tArrow Down)",
    R"(RotateLeft=Rotate Left\t"[")",
    R"(RotateRight=Rotate Right\t"]")",
    R"(ShowPreviousPhoto=Show Previous Photo\t"-")",
    R"(ShowNextPhoto=Show Next Photo\t"+")",
    R"(SlideShowSmall=SlideShow Small\tF12)",
    R"(SlideShowTotal=SlideShow Total)",
    R"(Start=Start\tF8)",
    R"(Stop=Stop\tF8)",
    R"(Pause=Pause\tPause)",
    R"(Continue=Continue\tPause)",
    R"(ShowNavigator=Show Navigator\tEsc)",
    R"(HideNavigator=Hide Navigator\tEsc)",
    R"(ShowComment=Show Comment\tSpacebar)",
    R"(HideComment=Hide Comment\tSpacebar)",
    R"(Thumbnails=Thumbnails\tIns)",
    R"(SoundComment=Sound Comment\tF4)",
    R"(BackgroundMusic=Background Music\tF3)",
    R"(Help=Help\tF1)",
    R"(Exit=Exit\tAlt+X)",
    R"()",
    R"([Dialogs])",
    R"(OK=OK)",
    R"(Cancel=Cancel)",
    R"(SelectLanguage=Select language   ; caption of "Select language" dialog)",
    R"(SelectHotkeys=Select hotkeys set   ; caption of "Select hotkeys set" dialog)",
    R"(CommentFont=Comment font   ; caption of "Choose font" dialog)",
    R"(CommentColour=Comment colour   ; caption of "Choose comment color" dialog)",
    R"(CommentShadowColour=Comment shadow colour   ; caption of "Choose comment shadow colour" dialog)",
    R"(BackgroundColour=Background colour   ; caption of "Choose background colour" dialog)",
    R"()",
    R"([Messages])",
    R"(Message1=Comment text file\n'%s'\ndoes not exist.\n\nDo you want to create it ?   ; invitation to create text comment file, \n will be replaced by line break)",
    R"(Message2=Are you sure you want to delete comment file:\n'%s' ?   ; promt to delete comment text file, \n will be replaced by line break)",
    R"(Message3=Settings file\n'%s'\ndoes not exist.\n\nDo you want to create it ?   ; invitation to create settings file, \n will be replaced by line break)",
    R"(Message4=Are you sure you want to delete settings file:\n'%s' ?   ; promt to delete settings file, \n will be replaced by line break)",
});

std::string Text(const Language& l, LanguageKey key) { return l.LanguageText(LanguageTextId(key)); }

}  // namespace

TEST(Language, AMissingFileIsCreatedCompleteAndTheEnglishTextsShow) {
    TempFolder t;
    Language l;
    Settings current;
    current.CommentFont.charSet = 77;
    l.LoadLanguage("English", t.path, current);
    EXPECT_TRUE(IsDirectory(t.sub("lang")));
    EXPECT_EQ(t.read("lang/English.lang.txt"), kEnglishFile);
    EXPECT_EQ(current.ApplicationLanguage, "English");
    EXPECT_EQ(current.CommentFont.charSet, 0);
    EXPECT_EQ(Text(l, LanguageKey::ZoomIn), "Zoom In\tPageUp");
    EXPECT_EQ(Text(l, LanguageKey::RotateLeft), "Rotate Left\t\"[\"");
    EXPECT_EQ(Text(l, LanguageKey::Message1), "Comment text file\n'%s'\ndoes not exist.\n\nDo you want to create it ?");
    EXPECT_EQ(Text(l, LanguageKey::HelpTotal), "help\\Help.English.html");
    EXPECT_EQ(Text(l, LanguageKey::HelpHotKeys), "help\\Keys.English.html");
    EXPECT_EQ(l.keyDisplayTexts(), (std::array<std::string, kKeyDisplayTextCount>{
                                       "Pause", "Spacebar", "PageUp", "PageDown", "End", "Home", "Arrow Left",
                                       "Arrow Up", "Arrow Right", "Arrow Down"}));
    // Loading it again reads the same texts and writes nothing.
    Language again;
    again.LoadLanguage("English", t.path, current);
    EXPECT_EQ(t.read("lang/English.lang.txt"), kEnglishFile);
    for (int id = 300; id <= 432; ++id) EXPECT_EQ(again.LanguageText(id), l.LanguageText(id)) << id;
}

TEST(Language, TextIdentifiers) {
    Language l;  // the built-in texts
    EXPECT_EQ(l.LanguageText(300), "Photoarchive");
    EXPECT_EQ(l.LanguageText(301), "Photoarchive");
    EXPECT_EQ(l.LanguageText(302), "Photoarchive");
    EXPECT_EQ(l.LanguageText(303), "Zoom In\tPageUp");
    EXPECT_EQ(l.LanguageText(432), "Void Local Settings File");
    EXPECT_EQ(l.LanguageText(433), "");
    EXPECT_EQ(l.LanguageText(299), "");
    EXPECT_EQ(l.LanguageText(-1), "");
    EXPECT_EQ(LanguageTextId(LanguageKey::VoidLocalSettingsFile), 432);
}

TEST(Language, EmptyAndMissingEntriesAreCompletedAndTextsCleaned) {
    TempFolder t;
    t.write("lang/Deutsch.lang.txt",
            "; Deutsch\n[Main Menu]\nExit=\nZoomIn=Vergr\xc3\xb6\xc3\x9f\x65rn\\tBild auf   ; comment\n"
            "Help=Hilfe\\r\\n\\x\\\t \r\nPause=Anhalten\n[Dialogs]\nOK=\"Gut\"\nCancel=  ; only a comment\n");
    Language l;
    Settings current;
    l.LoadLanguage("Deutsch", t.path, current);
    EXPECT_EQ(Text(l, LanguageKey::Exit), "Exit\tAlt+X");
    EXPECT_EQ(Text(l, LanguageKey::ZoomIn), "Vergr\xc3\xb6\xc3\x9f" "ern\tBild auf");
    EXPECT_EQ(Text(l, LanguageKey::Help), "Hilfe\r\n\\x\\");
    EXPECT_EQ(Text(l, LanguageKey::OK), "Gut");
    EXPECT_EQ(Text(l, LanguageKey::Cancel), "");  // a value that is only a comment stays empty
    EXPECT_EQ(Text(l, LanguageKey::Photoarchive), "Photoarchive");
    // Display texts: after the first tab; none without a tab.
    EXPECT_EQ(l.keyDisplayText(KeyDisplayText::PageUp), "Bild auf");
    EXPECT_EQ(l.keyDisplayText(KeyDisplayText::Pause), "");
    EXPECT_EQ(l.keyDisplayText(KeyDisplayText::Home), "Home");
    std::string file = t.read("lang/Deutsch.lang.txt");
    EXPECT_EQ(file.rfind("; Deutsch\n[Main Menu]\nExit=Exit\\tAlt+X\nZoomIn=Vergr", 0), 0u);
    EXPECT_NE(file.find("Pause=Anhalten\n"), std::string::npos);
    EXPECT_NE(file.find("\r\n\r\n[Messages]\r\nMessage1="), std::string::npos);
    EXPECT_NE(file.find("[General]\r\nPhotoarchive=Photoarchive   ; default archive name\r\n"), std::string::npos);
    ProfileFile f(t.sub("lang/Deutsch.lang.txt"));
    for (const auto& e : LanguageEntries()) EXPECT_TRUE(f.get(e.section, e.key).has_value()) << e.key;
}

TEST(Language, DisplayTextsAreCutToWholeCharacters) {
    TempFolder t;
    std::string longName;
    for (int i = 0; i < 20; ++i) longName += "\xc3\xa9";  // 40 bytes
    t.write("lang/X.lang.txt", "[Main Menu]\nMoveDown=Runter\\t" + longName + "\n");
    Language l;
    Settings current;
    l.LoadLanguage("X", t.path, current);
    EXPECT_EQ(l.keyDisplayText(KeyDisplayText::Down), longName.substr(0, 30));
}

TEST(Language, CharSetRule) {
    EXPECT_EQ(CharSetCodeOf("RUSSIAN"), 204);
    EXPECT_EQ(CharSetCodeOf("russian"), 0);
    EXPECT_EQ(CharSetCodeOf("GREEK EASTEUROPE"), 238);
    EXPECT_EQ(CharSetCodeOf("xxTHAIxx"), 222);
    EXPECT_EQ(CharSetCodeOf("BALTIC"), 186);
    EXPECT_EQ(CharSetCodeOf("MAC"), 77);
    std::string name;
    EXPECT_EQ(CharSetCodeOf("", &name), 0);
    EXPECT_EQ(name, "ANSI");

    TempFolder t;
    t.write("lang/Russian.lang.txt", "[Language Settings]\nCharSet=RUSSIAN   ; ANSI,BALTIC\n");
    t.write("lang/Lower.lang.txt", "[Language Settings]\nCharSet=russian\n");
    Language l;
    Settings current;
    l.LoadLanguage("Russian", t.path, current);
    EXPECT_EQ(current.CommentFont.charSet, 204);
    EXPECT_EQ(l.charSet(), 204);
    EXPECT_EQ(LegacyCodePage(), "CP1251");
    l.LoadLanguage("Lower", t.path, current);
    EXPECT_EQ(current.CommentFont.charSet, 0);
    EXPECT_EQ(LegacyCodePage(), "CP1252");
}

TEST(Language, ALegacyFileIsReadInItsOwnCharSet) {
    TempFolder t;
    // "Выход" in CP1251, with a byte CP1252 leaves undefined (0x98 is undefined in CP1251 too, 0x81 is Ѓ).
    std::string original = "[Language Settings]\r\nCharSet=RUSSIAN\r\n[Main Menu]\r\nExit=\xc2\xfb\xf5\xee\xe4\x81\r\n";
    t.write("lang/Ru.lang.txt", original);
    Language l;
    Settings current;
    l.LoadLanguage("Ru", t.path, current);
    EXPECT_EQ(Text(l, LanguageKey::Exit), "\xd0\x92\xd1\x8b\xd1\x85\xd0\xbe\xd0\xb4\xd0\x83");
    std::string file = t.read("lang/Ru.lang.txt");
    EXPECT_NE(file.find("[Main Menu]\r\nExit=\xc2\xfb\xf5\xee\xe4\x81\r\n"), std::string::npos);  // kept as they were
    EXPECT_NE(file.find("[Dialogs]\r\nOK=OK\r\n"), std::string::npos);
}

TEST(Language, GarbageFilesAndOddNames) {
    TempFolder t;
    std::string garbage(3000, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 31 + 7);
    t.write("lang/Junk.lang.txt", garbage + "\n[Main Menu\nExit=" + std::string(100000, 'x'));
    Language l;
    Settings current;
    l.LoadLanguage("Junk", t.path, current);
    EXPECT_EQ(Text(l, LanguageKey::Exit), std::string(259, 'x'));
    EXPECT_EQ(t.read("lang/Junk.lang.txt").rfind(garbage, 0), 0u);
    // A name cannot lead out of the "lang" folder.
    l.LoadLanguage("../evil", t.path, current);
    EXPECT_FALSE(FileExists(t.sub("evil.lang.txt")));
    EXPECT_TRUE(FileExists(t.sub("lang/.._evil.lang.txt")));
    EXPECT_EQ(current.ApplicationLanguage, "../evil");
    // A Windows-made name in another case is found.
    t.write("lang/FRANCAIS.LANG.TXT", "[Main Menu]\nExit=Sortir\n");
    l.LoadLanguage("Francais", t.path, current);
    EXPECT_EQ(Text(l, LanguageKey::Exit), "Sortir");
    EXPECT_FALSE(FileExists(t.sub("lang/Francais.lang.txt")));
}
