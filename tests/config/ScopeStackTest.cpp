#include <gtest/gtest.h>

#include "ConfigTestSupport.h"
#include "config/ScopeStack.h"

using namespace vellumo;
using vellumo::testing::TempFolder;

namespace {

struct Recorder : SettingsChangeListener {
    std::string name;
    std::vector<std::string>* log;
    Recorder(std::string n, std::vector<std::string>* l) : name(std::move(n)), log(l) {}
    void settingsChanged(const SettingsChangeSet& changes, int kind) override {
        log->push_back(name + ":" + std::to_string(kind));
        last = changes;
    }
    SettingsChangeSet last;
};

// A program folder with an archive, folders and the hooks recorded.
struct Fixture {
    TempFolder t;
    std::vector<std::string> log;
    ScopeHooks hooks;
    Fixture() {
        hooks.loadHotkeys = [this](const std::string& n) { log.push_back("hotkeys:" + n); };
        hooks.rebuildEffectList = [this](Settings&) { log.push_back("effects"); };
        hooks.languageLoaded = [this](const Language& l) {
            log.push_back("language:" + l.keyDisplayText(KeyDisplayText::PageUp));
        };
        hooks.folderChanges = [this](const std::string& f) { log.push_back("folder:" + f); };
        hooks.photoChanges = [this](const std::string& p) { log.push_back("photo:" + p); };
        hooks.registerFontFile = [this](const std::string& p) { log.push_back("addfont:" + p); };
        hooks.unregisterFontFile = [this](const std::string& p) { log.push_back("removefont:" + p); };
    }
    std::string kinds(const ScopeStack& s) const {
        std::string out;
        for (const auto& scope : s.scopes()) {
            if (!out.empty()) out += ",";
            out += scope->kind & ScopeArchive ? "A" : scope->kind & ScopeFolder ? "F" : scope->kind & ScopePhoto ? "P" : "S";
        }
        return out;
    }
};

}  // namespace

TEST(ScopeStack, StartLoadsLanguageHotkeysEffectsAndComments) {
    Fixture f;
    f.t.write("vellumo.ini", "[Commands Settings]\nCommandsHotkeys=Mine\n");
    f.t.write("comment.txt", "Archive comment");
    ScopeStack stack(f.t.program(), f.hooks);
    stack.StartArchive();
    EXPECT_EQ(f.log, (std::vector<std::string>{"language:PageUp", "effects", "hotkeys:Mine"}));
    EXPECT_EQ(stack.scopeComments(), "Archive comment");
    EXPECT_TRUE(FileExists(f.t.sub("lang/English.lang.txt")));
    EXPECT_EQ(stack.scopes().front()->key, f.t.path);
    EXPECT_EQ(stack.scopes().front()->kind, ScopeArchive | ScopeSettingsFileExists | ScopeCommentFileExists);
}

TEST(ScopeStack, ACommandLineSettingsFileIsTheArchiveFile) {
    Fixture f;
    std::string ini = f.t.write("my disc/Trip Settings.ini", "[General Settings]\nApplicationIcon=3\n");
    f.t.write("my disc/Comment.TXT", "beside it");
    f.t.write("vellumo.ini", "[General Settings]\nApplicationIcon=4\n");
    ScopeStack stack(f.t.program(), f.hooks);
    stack.StartArchive(ini);
    EXPECT_EQ(stack.current().ApplicationIcon, 3);
    EXPECT_EQ(stack.scopeComments(), "beside it");
    EXPECT_EQ(stack.scopes().front()->kind & (ScopeArchive | ScopeArchiveFromCommandLine),
              ScopeArchive | ScopeArchiveFromCommandLine);
    EXPECT_EQ(stack.scopes().front()->key, f.t.sub("my disc"));
    EXPECT_NE(f.t.read("my disc/Trip Settings.ini").find("ApplicationIcon=3   ;(1-5)"), std::string::npos);
    EXPECT_EQ(f.t.read("vellumo.ini"), "[General Settings]\nApplicationIcon=4\n");
    EXPECT_TRUE(FileExists(f.t.sub("lang/English.lang.txt")));  // languages stay in the program folder
}

TEST(ScopeStack, AWindowsMadeArchiveFileIsFound) {
    Fixture f;
    f.t.write("VELLUMO.INI", "[General Settings]\nApplicationIcon=2\n");
    ScopeStack stack(f.t.program(), f.hooks);
    stack.StartArchive();
    EXPECT_EQ(stack.current().ApplicationIcon, 2);
    EXPECT_FALSE(FileExists(f.t.sub("vellumo.ini")));
    EXPECT_NE(f.t.read("VELLUMO.INI").find("ApplicationIcon=2   ;(1-5)"), std::string::npos);
}

TEST(ScopeStack, FoldersWithoutFilesRemoveTheScopesLeftBehind) {
    Fixture f;
    f.t.write("vellumo.ini", "[Comment Settings]\nCommentColor=1,1,1\n");
    f.t.write("a/vellumo.ini", "[Comment Settings]\nCommentColor=2,2,2\n[Slideshow Settings]\nSlideShowDelay=9\n");
    f.t.write("a/b/vellumo.txt", "comment of b");
    f.t.folder("c");
    ScopeStack stack(f.t.program(), f.hooks);
    std::vector<std::string> log;
    Recorder viewer("viewer", &log), navigator("navigator", &log), music("music", &log);
    stack.addListener(&viewer);
    stack.addListener(&navigator);
    stack.addListener(&music);
    stack.StartArchive();

    stack.EnterFolder(f.t.sub("a"));
    EXPECT_EQ(f.kinds(stack), "A,F");
    EXPECT_EQ(stack.current().CommentColor, Rgb(2, 2, 2));
    EXPECT_EQ(stack.current().SlideShowDelay, 9.0);
    EXPECT_EQ(log, (std::vector<std::string>{"viewer:4", "navigator:4", "music:4"}));
    EXPECT_TRUE(viewer.last.has(SectionComment, 0x8));
    EXPECT_TRUE(viewer.last.has(SectionSlideshow, 0x4));
    EXPECT_EQ(stack.scopes().front()->record.PathToStart, f.t.sub("a"));

    stack.EnterFolder(f.t.sub("a/b"));  // a scope with only a comment file
    EXPECT_EQ(f.kinds(stack), "A,F,F");
    EXPECT_EQ(stack.current().CommentColor, Rgb(2, 2, 2));  // still the folder a record
    EXPECT_EQ(stack.scopeComments(), "comment of b");
    EXPECT_TRUE(viewer.last.has(SectionComment, 0x2));

    log.clear();
    stack.EnterFolder(f.t.sub("c"));
    EXPECT_EQ(f.kinds(stack), "A");
    EXPECT_EQ(&stack.current(), &stack.scopes().front()->record);
    EXPECT_EQ(stack.current().CommentColor, Rgb(1, 1, 1));
    EXPECT_EQ(stack.scopeComments(), "");
    EXPECT_EQ(log, (std::vector<std::string>{"viewer:4", "navigator:4", "music:4"}));
    EXPECT_TRUE(viewer.last.has(SectionComment, 0x8 | 0x2));

    // Nothing changed: no listener is called.
    log.clear();
    stack.EnterFolder(f.t.sub("c"));
    EXPECT_TRUE(log.empty());
    stack.removeListener(&viewer);
    stack.EnterFolder(f.t.sub("a"));
    EXPECT_EQ(log, (std::vector<std::string>{"navigator:4", "music:4"}));
}

TEST(ScopeStack, FolderFilesOverrideOnlyTheirKeysExceptTheUninheritedOnes) {
    Fixture f;
    f.t.write("vellumo.ini",
              "[Comment Settings]\nCommentColor=1,2,3\n[Slideshow Settings]\nSlideShowDelay=7\n"
              "[Commands Settings]\nCommandsAfterKeyDown=150\nCommandsAfterZoomIn=101\n");
    f.t.write("a/vellumo.ini", "[Comment Settings]\nComment=0\n[Commands Settings]\nCommandsAfterZoomIn=102\n");
    ScopeStack stack(f.t.program(), f.hooks);
    stack.StartArchive();
    stack.EnterFolder(f.t.sub("a"));
    const Settings& s = stack.current();
    EXPECT_EQ(s.Comment, 0);
    EXPECT_EQ(s.CommentColor, Rgb(1, 2, 3));           // inherited
    EXPECT_EQ(s.SlideShowDelay, 3.0);                  // not inherited: the default
    EXPECT_TRUE(s.CommandsAfterKeyDown.empty());       // not inherited: the default "0"
    EXPECT_EQ(s.CommandsAfterZoomIn, (CommandList{102}));
    EXPECT_EQ(s.CommandsAfterSlideshowStart, (CommandList{127}));
    // The folder file is not completed.
    EXPECT_EQ(f.t.read("a/vellumo.ini"), "[Comment Settings]\nComment=0\n[Commands Settings]\nCommandsAfterZoomIn=102\n");
    SettingsChangeSet present = stack.scopes().back()->present;
    EXPECT_EQ(present.words[SectionComment], 0x1u);
    EXPECT_EQ(present.words[SectionGeneral], 0u);
}

TEST(ScopeStack, SubFoldersSaveTheirParentAndKeepIt) {
    Fixture f;
    f.t.write("a/vellumo.ini", "[Comment Settings]\nComment=1\n");
    f.t.folder("a/b");
    ScopeStack stack(f.t.program(), f.hooks);
    stack.StartArchive();
    stack.EnterFolder(f.t.sub("a"));
    stack.current().Comment = 0;                  // an interactive change of a present key
    stack.current().CommentColor = Rgb(9, 9, 9);  // not present in the folder file: never saved there
    stack.EnterFolder(f.t.sub("a/b"));
    EXPECT_EQ(f.kinds(stack), "A,F");
    EXPECT_EQ(f.t.read("a/vellumo.ini"), "[Comment Settings]\nComment=0   ;(0-off, 1-on)\n");
    // A sibling whose name starts alike is not inside it.
    f.t.write("ab/x.jpg", "");
    stack.EnterPhoto(f.t.sub("ab/x.jpg"));
    EXPECT_EQ(f.kinds(stack), "A");
}

TEST(ScopeStack, RefreshingAPhotoReloadsItsFileWithoutSavingIt) {
    Fixture f;
    f.t.write("a/vellumo.ini", "[Thumbnails Settings]\nThumbnails=1\n");
    f.t.write("a/x.ini", "[Music Settings]\nMusic=1\n");
    f.t.write("a/x.jpg", "");
    f.t.write("a/y.jpg", "");
    ScopeStack stack(f.t.program(), f.hooks);
    stack.StartArchive();
    stack.EnterFolder(f.t.sub("a"));
    stack.EnterPhoto(f.t.sub("a/x.jpg"));
    EXPECT_EQ(f.kinds(stack), "A,F,P");
    EXPECT_EQ(stack.current().Music, 1);
    EXPECT_EQ(stack.current().Thumbnails, 1);
    stack.current().Music = 0;
    f.t.write("a/x.ini", "[Music Settings]\nMusic=1\n[General Settings]\nApplicationIcon=4\n");
    stack.EnterPhoto(f.t.sub("a/x.jpg"));  // the same photo again
    EXPECT_EQ(f.kinds(stack), "A,F,P");
    EXPECT_EQ(stack.current().Music, 1);
    EXPECT_EQ(stack.current().ApplicationIcon, 4);
    EXPECT_EQ(f.t.read("a/x.ini"), "[Music Settings]\nMusic=1\n[General Settings]\nApplicationIcon=4\n");
    // Another photo: x's scope goes and is saved.
    stack.current().Music = 0;
    stack.EnterPhoto(f.t.sub("a/y.jpg"));
    EXPECT_EQ(f.kinds(stack), "A,F");
    EXPECT_EQ(f.t.read("a/x.ini"), "[Music Settings]\nMusic=0   ;(0-off, 1-on)\n[General Settings]\nApplicationIcon=4\n");
    EXPECT_EQ(stack.current().Music, 0);  // the archive default again
    EXPECT_EQ(f.log[f.log.size() - 1], "photo:" + f.t.sub("a/y.jpg"));
}

TEST(ScopeStack, ChangesReloadLanguageHotkeysEffectsAndComments) {
    Fixture f;
    f.t.write("lang/Deutsch.lang.txt", "[Main Menu]\nExit=Beenden\nZoomIn=Gr\xc3\xb6\xc3\x9f" "er\\tBild auf\n[Language Settings]\nCharSet=EASTEUROPE\n");
    f.t.write("vellumo.ini", "[Comment Settings]\nCommentsIncluded=e,a,d,f,s\n");
    f.t.write("comment.txt", "global ");
    f.t.write("a/vellumo.ini",
              "[General Settings]\nApplicationLanguage=Deutsch\n[Commands Settings]\nCommandsHotkeys=Other\n"
              "[Effects Settings]\nEffectsExcluded=11\n[Comment Settings]\nCommentsIncluded=f,g\n");
    f.t.write("a/vellumo.txt", "folder ");
    ScopeStack stack(f.t.program(), f.hooks);
    stack.StartArchive();
    EXPECT_EQ(stack.scopeComments(), "");  // g is not included
    f.log.clear();
    stack.EnterFolder(f.t.sub("a"));
    EXPECT_EQ(f.log, (std::vector<std::string>{"folder:" + f.t.sub("a"), "language:Bild auf", "effects",
                                               "hotkeys:Other"}));
    EXPECT_EQ(stack.LanguageText(LanguageTextId(LanguageKey::Exit)), "Beenden");
    EXPECT_EQ(stack.current().CommentFont.charSet, 238);
    EXPECT_EQ(stack.scopeComments(), "folder global ");  // from the innermost outwards
    f.log.clear();
    f.t.folder("c");
    stack.EnterFolder(f.t.sub("c"));
    EXPECT_EQ(f.log, (std::vector<std::string>{"folder:" + f.t.sub("c"), "language:PageUp", "effects",
                                               "hotkeys:Default"}));
    EXPECT_EQ(stack.LanguageText(LanguageTextId(LanguageKey::Exit)), "Exit\tAlt+X");
    EXPECT_EQ(stack.current().CommentFont.charSet, 0);
}

TEST(ScopeStack, ScopeCommentsFollowTheOrderAndTheMask) {
    Fixture f;
    f.t.write("comment.txt", "G");
    f.t.write("a/vellumo.txt", "A");
    f.t.write("a/b/vellumo.txt", "B");
    auto gather = [&](const char* order, const char* included) {
        f.t.write("vellumo.ini", std::string("[Comment Settings]\nCommentsOrder=") + order +
                                     "\nCommentsIncluded=" + included + "\n");
        ScopeStack stack(f.t.program(), f.hooks);
        stack.StartArchive();
        stack.EnterFolder(f.t.sub("a"));
        stack.EnterFolder(f.t.sub("a/b"));
        return stack.scopeComments();
    };
    EXPECT_EQ(gather("1", "f,g"), "BAG");
    EXPECT_EQ(gather("2", "f,g"), "GAB");
    EXPECT_EQ(gather("3", "f,g"), "B");
    EXPECT_EQ(gather("4", "f,g"), "G");
    EXPECT_EQ(gather("4", "f"), "A");
    EXPECT_EQ(gather("1", "e,a,d"), "");
}

TEST(ScopeStack, CommentFilesAreCutToWholeCharactersAndDecoded) {
    Fixture f;
    std::string utf8(1022, 'x');
    utf8 += "\xc3\xa9tail";  // the cut at 1023 bytes would split the é
    f.t.write("comment.txt", utf8);
    f.t.write("a/vellumo.txt", std::string("M\xfcller\0hidden", 13));  // CP1252, stops at NUL
    f.t.write("vellumo.ini", "[Comment Settings]\nCommentsOrder=2\n");
    ScopeStack stack(f.t.program(), f.hooks);
    stack.StartArchive();
    EXPECT_EQ(stack.scopeComments(), std::string(1022, 'x'));
    stack.EnterFolder(f.t.sub("a"));
    EXPECT_EQ(stack.scopes().back()->commentText, "M\xc3\xbcller");
    EXPECT_EQ(stack.scopeComments(), std::string(1022, 'x') + "M");  // the join is cut at 1023 bytes too
    EXPECT_EQ(ReadCommentFile(f.t.sub("missing.txt")), "");
}

TEST(ScopeStack, LeavingAScriptRemovesEverythingAboveIt) {
    Fixture f;
    f.t.write("a/vellumo.ini", "[Music Settings]\nMusic=1\n");
    f.t.write("Summer.script.txt", "");
    f.t.write("Summer.script.ini", "[Comment Settings]\nCommentShadowOffset=7\n");
    f.t.write("Summer.comment.txt", "summer");
    f.t.write("b/p.jpg", "");
    f.t.write("b/p.ini", "[Music Settings]\nMusicRandom=1\n");
    f.t.write("b/vellumo.ini", "[Thumbnails Settings]\nThumbnails=1\n");
    ScopeStack stack(f.t.program(), f.hooks);
    std::vector<std::string> log;
    Recorder viewer("viewer", &log);
    stack.addListener(&viewer);
    stack.StartArchive();
    stack.LeaveScript();  // no script: nothing
    EXPECT_TRUE(log.empty());
    stack.EnterFolder(f.t.sub("a"));
    stack.EnterScript(f.t.sub("Summer.script.txt"));
    EXPECT_TRUE(stack.scriptScopeActive());
    EXPECT_EQ(f.kinds(stack), "A,F,S");
    EXPECT_EQ(stack.current().CommentShadowOffset, 7);
    EXPECT_EQ(stack.current().Music, 1);  // on top of the folder it started in
    EXPECT_EQ(stack.scopeComments(), "summer");
    EXPECT_EQ(log.back(), "viewer:16");
    EXPECT_TRUE(viewer.last.has(SectionComment, 0x2 | 0x20));
    // Photos of the slideshow stack above the script and never remove it.
    stack.EnterFolder(f.t.sub("b"));
    stack.EnterPhoto(f.t.sub("b/p.jpg"));
    EXPECT_EQ(f.kinds(stack), "A,F,S,F,P");
    EXPECT_EQ(stack.current().MusicRandom, 1);
    stack.LeaveScript();
    EXPECT_FALSE(stack.scriptScopeActive());
    EXPECT_EQ(f.kinds(stack), "A,F");
    EXPECT_EQ(stack.current().CommentShadowOffset, 1);
    EXPECT_EQ(stack.current().MusicRandom, 0);
    EXPECT_EQ(stack.scopeComments(), "");
    EXPECT_TRUE(viewer.last.has(SectionComment, 0x2 | 0x20));
    EXPECT_TRUE(viewer.last.has(SectionMusic, 0x8));

    // A script with one extension has no comment file; one with no files makes no scope.
    f.t.write("plain.txt", "");
    stack.EnterScript(f.t.sub("plain.txt"));
    EXPECT_FALSE(stack.scriptScopeActive());
    EXPECT_EQ(f.kinds(stack), "A,F");
}

TEST(ScopeStack, FontFilesLiveWithTheirScopeAndShutdownSavesInnermostFirst) {
    Fixture f;
    f.t.write("vellumo.ini", "[General Settings]\nKeysHelpRunCount=2\n");
    f.t.write("a/vellumo.ini", "[Comment Settings]\nCommentFontFile=fonts\\nice.ttf\nComment=1\n");
    f.t.write("a/b/vellumo.ini", "[Navigator Settings]\nNavigator=1\n");
    f.t.write("a/b/c/vellumo.ini", "[Comment Settings]\nCommentFontFile=fonts\\inner.ttf\n");
    f.t.write("fonts/nice.ttf", "font");  // only files that exist are registered
    f.t.write("fonts/inner.ttf", "font");
    {
        ScopeStack stack(f.t.program(), f.hooks);
        stack.StartArchive();
        stack.EnterFolder(f.t.sub("a"));
        EXPECT_EQ(stack.current().CommentFontFile, f.t.sub("fonts/nice.ttf"));
        stack.EnterFolder(f.t.sub("a/b"));
        EXPECT_EQ(stack.current().CommentFontFile, f.t.sub("fonts/nice.ttf"));  // inherited, not registered again
        stack.current().Navigator = 0;
        stack.scopes()[1]->record.Comment = 0;
        stack.EnterFolder(f.t.sub("a/b/c"));
        f.log.clear();
    }  // the destructor shuts down, each scope saving and then releasing its font
    EXPECT_EQ(f.log, (std::vector<std::string>{"removefont:" + f.t.sub("fonts/inner.ttf"),
                                               "removefont:" + f.t.sub("fonts/nice.ttf")}));
    EXPECT_EQ(f.t.read("a/b/vellumo.ini"), "[Navigator Settings]\nNavigator=0   ;(0-off, 1-on)\n");
    EXPECT_NE(f.t.read("a/vellumo.ini").find("Comment=0   ;(0-off, 1-on)\n"), std::string::npos);
    EXPECT_NE(f.t.read("a/vellumo.ini").find("CommentFontFile=fonts\\nice.ttf\n"), std::string::npos);
    EXPECT_NE(f.t.read("vellumo.ini").find("KeysHelpRunCount=1   ;(0-10)"), std::string::npos);
    EXPECT_NE(f.t.read("vellumo.ini").find("PathToStart=" + f.t.sub("a/b/c") + "\r\n"), std::string::npos);
}
