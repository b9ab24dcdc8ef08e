// bmp2bi's progress line on a terminal: files done, input bytes read of all, the rate and the
// time left. It appears only once a run has taken about a second, so quick runs show nothing.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

class BatchProgress {
public:
    // `inputBytes`: the size of every input, in order. Disabled, it never shows anything.
    BatchProgress(bool enabled, std::vector<int64_t> inputBytes);

    // From any thread: how far item `index` is, as pixels written of all.
    void Advance(size_t index, int64_t done, int64_t total);
    // From the thread that draws: item `index` is done.
    void Finished(size_t index);
    // Draws the line anew, if due.
    void Show();
    // Takes the line away, so that a message can be printed.
    void Clear();

    // The line's text: "3/10 files, 12.5 of 40.0 MB, 8.1 MB/s, 0:04 left".
    static std::string Text(size_t filesDone, size_t files, double bytesDone, double bytes,
                            double seconds);

private:
    bool enabled_;
    bool visible_ = false;
    std::vector<int64_t> inputBytes_;
    int64_t totalBytes_ = 0;
    int64_t finishedBytes_ = 0;
    size_t filesDone_ = 0;
    std::vector<std::atomic<int32_t>> permille_;  // of the items under way
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};
