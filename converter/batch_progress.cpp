#include "converter/batch_progress.h"

#include <cmath>
#include <cstdio>
#include <numeric>

namespace {

constexpr auto ShownAfter = std::chrono::seconds(1);

std::string Megabytes(double bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", bytes / 1e6);
    return text;
}

std::string Duration(double seconds) {
    const auto whole = static_cast<long long>(std::ceil(seconds));
    char text[32];
    if (whole >= 3600)
        std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60,
                      whole % 60);
    else
        std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

}  // namespace

BatchProgress::BatchProgress(bool enabled, std::vector<int64_t> inputBytes)
    : enabled_(enabled),
      inputBytes_(std::move(inputBytes)),
      totalBytes_(std::accumulate(inputBytes_.begin(), inputBytes_.end(), int64_t{0})),
      permille_(inputBytes_.size()) {}

void BatchProgress::Advance(size_t index, int64_t done, int64_t total) {
    if (total > 0) permille_[index] = static_cast<int32_t>(done * 1000 / total);
}

void BatchProgress::Finished(size_t index) {
    ++filesDone_;
    finishedBytes_ += inputBytes_[index];
    permille_[index] = 0;
}

void BatchProgress::Show() {
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    if (!enabled_ || seconds < std::chrono::duration<double>(ShownAfter).count()) return;
    double bytesDone = static_cast<double>(finishedBytes_);
    for (size_t i = 0; i < permille_.size(); ++i)
        bytesDone += static_cast<double>(inputBytes_[i]) * permille_[i] / 1000;
    const std::string line =
        Text(filesDone_, inputBytes_.size(), bytesDone, static_cast<double>(totalBytes_), seconds);
    std::fprintf(stderr, "\r\033[K%s", line.c_str());
    std::fflush(stderr);
    visible_ = true;
}

void BatchProgress::Clear() {
    if (visible_) std::fputs("\r\033[K", stderr);
    visible_ = false;
}

std::string BatchProgress::Text(size_t filesDone, size_t files, double bytesDone, double bytes,
                                double seconds) {
    const double rate = seconds > 0 ? bytesDone / seconds : 0;
    std::string line = std::to_string(filesDone) + "/" + std::to_string(files) + " files, " +
                       Megabytes(bytesDone) + " of " + Megabytes(bytes) + " MB, " +
                       Megabytes(rate) + " MB/s";
    if (rate > 0) line += ", " + Duration((bytes - bytesDone) / rate) + " left";
    return line;
}
