#pragma once
// Thumbnails mode of the Navigator: the mode itself and its switch, the large
// image list, the per-photo image memory, the worker's lifecycle (start,
// resume, suspend, stop), the visible rows the worker does first, the results
// the worker delivers, the saving of the cache file and the thumbnail
// settings. Runs on the user-interface thread; the NavigatorWindow owns it
// and forwards the commands and hooks.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/ArchiveNavigator.h"
#include "archive/NavigatorPanel.h"
#include "config/Settings.h"
#include "platform/EventQueue.h"
#include "thumbs/ThumbnailImageList.h"
#include "thumbs/ThumbnailWorker.h"

namespace vellumo {

// The Navigator's private command: the worker made thumbnails, save the cache.
inline constexpr int CmdSaveThumbCache = 31841;

class ThumbnailView {
public:
    ThumbnailView(NavigatorList& list, ArchiveNavigator& archive, NavigatorPanel& panel, EventQueue& queue,
                  CommandTarget* navigator, std::function<Settings&()> settings);
    ~ThumbnailView();
    ThumbnailView(const ThumbnailView&) = delete;
    ThumbnailView& operator=(const ThumbnailView&) = delete;

    // The program's base name, which names the cache files ("vellumo").
    void setProgramName(std::string name) { programName_ = std::move(name); }
    // The rotation macros of a photo's comment file (default: the attached
    // comment file's macros).
    void setRotationSource(RotationSource source) { rotation_ = std::move(source); }
    // The user's cache home, where the desktop's shared thumbnails are ("" for none).
    void setUserCacheHome(std::string home) { cacheHome_ = std::move(home); }
    void setBeep(std::function<void()> beep) { beep_ = std::move(beep); }
    // Make thumbnails on two threads (default) or one.
    void setTwoThreads(bool on) { twoThreads_ = on; }
    // Runs every worker on the calling thread when it starts (tests).
    void setRunWorkersInline(bool on) { inline_ = on; }

    // Opening: the image list and the view mode from the settings.
    void open();
    // The Navigator is going away: the worker stops.
    void destroy();

    bool mode() const { return mode_; }
    bool switching() const { return switching_; }

    // ---- Hooks of the listing ------------------------------------------------
    void suspendOrStop();
    void forgetImages();
    void startOrResume();
    // Refresh (143) in thumbnails mode: the next listing starts a new worker
    // that skips the cache once.
    void refresh();

    // ---- Commands -------------------------------------------------------------
    // 131 toggle, 132 on, 133 off (navigatorShown false: beep). Returns false
    // for other commands.
    bool modeCommand(int command, bool navigatorShown);
    void switchMode(bool relist);
    // CmdThumbnailsArrived: takes the worker's results.
    void takeResults();
    // CmdSaveThumbCache of the run with that number (a save left over from
    // an earlier run does nothing).
    void saveCache(std::intptr_t run);
    // The list drew itself.
    void visibleRows(int first, int last);
    // Thumbnail settings changed; returns true when the thumbnails must be
    // made anew (the caller posts 143).
    bool settingsChanged(const SettingsChangeSet& changes);

    const ThumbnailImageList& images() const { return images_; }
    // The image last given to a photo row (9 when none).
    int rememberedImage(int row) const;
    ThumbnailWorker* worker() { return worker_.get(); }
    const ThumbnailWorker* worker() const { return worker_.get(); }
    bool workerSuspended() const { return suspended_; }
    bool thumbnailsMade() const { return made_; }
    // Where the last save wrote ("" when it wrote nothing).
    const std::string& lastSavedFile() const { return lastSaved_; }

private:
    Settings& settings() { return settings_(); }
    ThumbnailLook look();
    ThumbnailOptions options();
    void applyView();
    void startWorker();
    void stopWorker();
    void clearMemory();
    // Writes the cache of the listed folder (the rows must be its rows),
    // with the look its thumbnails were made with, into the folder when the
    // run was to write it there.
    void writeCache(const std::string& folder);
    void giveRow(int row, int image);
    std::vector<std::string> cacheFilesToRead();

    NavigatorList& list_;
    ArchiveNavigator& archive_;
    NavigatorPanel& panel_;
    EventQueue& queue_;
    CommandTarget* navigator_;
    std::function<Settings&()> settings_;
    std::string programName_ = "vellumo";
    std::string cacheHome_;
    RotationSource rotation_;
    std::function<void()> beep_;
    bool twoThreads_ = true;
    bool inline_ = false;

    bool mode_ = false;
    bool switching_ = false;
    bool updating_ = false;
    ThumbnailImageList images_;
    // Per photo row (row - first photo): the image last given to it.
    std::vector<int> memory_;

    std::unique_ptr<ThumbnailWorker> worker_;
    std::shared_ptr<ThumbnailMailbox> mailbox_;
    std::string workerFolder_;
    int workerFirst_ = -1;
    // The run: its number, the look it makes, whether its cache goes into the folder.
    std::intptr_t run_ = 0;
    ThumbnailLook workerLook_;
    bool workerCacheInFolder_ = false;
    bool suspended_ = false;
    bool made_ = false;
    // Thumbnails the current run made (not taken from a cache).
    int madeInRun_ = 0;
    bool skipCache_ = false;
    std::string lastSaved_;
};

}  // namespace vellumo
