// An output file that appears whole or not at all. A new file, or one replacing an existing
// regular file, is written to a temporary file in the target's folder and renamed over the target
// by Commit, after every write and the close succeeded; until then the old file is untouched, and
// an uncommitted temporary file is removed. A symbolic link is followed, so the file it names is
// replaced and the link stays. A target that is not a regular file (a device, a pipe) is written
// in place: renaming over it would replace the device. So is an existing file in a folder that
// refuses new files, as opening it for writing would. The temporary file's name says which process
// of which host writes it (temporary_names.h); making one first removes those that writers which
// died left in the folder.
#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>

// For programs to call once at start (a library never installs signal handlers by itself):
// SIGINT, SIGTERM and SIGHUP then remove the temporary file being written and end the program as
// the signal would have; SIGXFSZ is ignored, so a write beyond the file-size limit fails (EFBIG)
// and is reported like any failed write. Signals the program was started ignoring stay ignored.
// Up to MaxTemporaryFilesAtOnce files written at once are removed.
void RemoveTemporaryFilesOnSignals();
inline constexpr int MaxTemporaryFilesAtOnce = 64;

// For a program to call once its outcome is settled, every output put in place or failed: from
// then on those signals are ignored, so that one arriving while the program lets go of its memory
// on the way out cannot turn the exit status into "interrupted" when the work is done. The
// converter, which goes on after a conversion, never calls it: a signal ends it as asked, and the
// file it has put in place stays whole.
void OutcomeSettled();

// Held from just before an output is put in place until the program has settled that outcome
// (OutcomeSettled, if it was the last): a signal meanwhile waits, and is acted on when the last
// hold ends, so it can never find the file in place and the outcome not yet settled.
class SignalsHeldForCommit {
public:
    SignalsHeldForCommit();
    ~SignalsHeldForCommit();
    SignalsHeldForCommit(const SignalsHeldForCommit&) = delete;
    SignalsHeldForCommit& operator=(const SignalsHeldForCommit&) = delete;
};

// Writes all of `bytes` to `fd`, again after interruptions: 0, or the errno of the failure.
int WriteAll(int fd, std::string_view bytes);

enum class CommitResult { Done, TargetExists, Failed };

class OutputFile {
public:
    // Opens for writing; IsOpen() tells whether that worked, Error() why not. Without
    // `mayReplace` an existing target is never replaced: opening fails with EEXIST when the name
    // exists, and Commit keeps a target that appears meanwhile.
    OutputFile(const std::string& name, bool mayReplace);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    bool IsOpen() const { return fd_ >= 0 && error_ == 0; }
    // The errno of the first failure, 0 while there is none.
    int Error() const { return error_; }
    bool Write(std::string_view bytes);
    // Closes the file and puts it in place; on failure the old file is untouched. TargetExists:
    // a target that may not be replaced appeared meanwhile; the data wait in the temporary file
    // until AllowReplacing and a further Commit, or the end of this object.
    CommitResult Commit();
    // Lets Commit replace a target that appeared; its mode and owner carry over.
    void AllowReplacing();

private:
    bool Fail(int error);
    bool OpenInPlace();
    // `old` is the file being replaced, if any: its mode and owner carry over.
    bool OpenTemporary(const struct stat* old);
    void ForgetTemporary();

    int fd_ = -1;
    int error_ = 0;
    bool mayReplace_ = false;
    int signalSlot_ = -1;  // where the signal handler knows the temporary file; -1: nowhere
    std::string target_;
    std::string temporary_;  // empty when writing in place
};
