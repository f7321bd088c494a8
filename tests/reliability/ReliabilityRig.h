#pragma once
// The whole viewer on the fakes, with the photo trees, settings and pumping
// the media tests share: workers run on their own threads, so real time
// passes for them while the virtual clock drives the rest.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <utility>

#include "app/ViewerRig.h"
#include "navigator/NavigatorWindow.h"

namespace vellumo::testing {

constexpr int kNextPhotoKey = 0x6B;  // keypad +
constexpr int kSmallShowKey = 0x7B;  // F12
constexpr int kTotalShowKey = 0x78;  // F9
constexpr int kRefresh = 143;

// Settings of every test here: no first-start dialog, no transition effects,
// shows that stop at their end, thumbnail caches kept in the photo folders.
inline std::string MediaSettings(const std::string& extra = {}) {
    return "[General Settings]\r\nApplicationLanguage=English\r\n"
           "[Effects Settings]\r\nEffects=n\r\n"
           "[Slideshow Settings]\r\nSlideShowSmallEndAction=s\r\nSlideShowTotalEndAction=s\r\n"
           "[Thumbnails Settings]\r\nThumbnailsCacheInFolders=1\r\n" +
           extra;
}

inline void MakePhotos(const TempFolder& t, const std::string& folder, int n) {
    for (int i = 1; i <= n; ++i) t.write(folder + "/p" + std::to_string(i) + ".bmp", Bmp(16, 12, 30 * i, 0, 0));
}

// The viewer with its workers on their own threads, and thumbnail caches
// that cannot go into their folders kept in the test's folder.
struct MediaViewer : Viewer {
    explicit MediaViewer(const TempFolder& t, std::vector<std::string> args = {},
                         const std::function<void(Viewer&)>& prepare = {})
        : Viewer(t, std::move(args), prepare, Prefetch::OnWorker) {
        app->navigator()->thumbnails().setUserCacheHome(t.TempTree::path("cachehome"));
        queue.runPending();
        // The photo on the command line decodes on the prefetcher's worker:
        // it is on screen (or its failure told) before the test goes on.
        if (app->viewer()) pumpUntil([this] { return !viewer().prefetcher().decodingShown(); });
    }
    NavigatorWindow& nav() { return *app->navigator(); }
    Slideshows& shows() { return nav().slideshows(); }
    // Real time for the worker threads, virtual time and posted commands for
    // the rest, until done() holds; false when it never did.
    bool pumpUntil(const std::function<bool()>& done, int limitMs = 20000) {
        for (int waited = 0; waited < limitMs; waited += 2) {
            queue.runPending();
            if (done()) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return done();
    }
    // Lets a slideshow run until it stops by itself; false when it does not.
    bool runShowToItsEnd(int maxSteps = 400) {
        for (int i = 0; i < maxSteps && shows().anyRunning(); ++i) {
            queue.advance(3000);
            pumpUntil([&] { return !shows().totalCollecting(); }, 2000);
        }
        return !shows().anyRunning();
    }
    int rowOf(const std::string& text) {
        for (int i = 0; i < nav().list().count(); ++i)
            if (nav().list().at(i).text == text) return i;
        return -1;
    }
    int imageOf(const std::string& text) {
        int row = rowOf(text);
        return row < 0 ? -1 : nav().list().at(row).image;
    }
    // Rows prefix101 to prefix(100 + n): how many have a thumbnail, and how
    // many the failure frame.
    std::pair<int, int> thumbnailOutcomes(const std::string& prefix, int n) {
        std::pair<int, int> outcomes{0, 0};
        for (int i = 1; i <= n; ++i) {
            const int image = imageOf(prefix + std::to_string(100 + i));
            outcomes.first += image >= 11;
            outcomes.second += image == 10;
        }
        return outcomes;
    }
    bool thumbnailsDone() {
        ThumbnailView& t = nav().thumbnails();
        return t.worker() == nullptr || !t.worker()->running();
    }
};

}  // namespace vellumo::testing
