// The viewer: shows the picture built into it, waits for a key and ends.
#include <cstdio>
#include <memory>

#include "screen/screen.h"
#include "screen/window_backend.h"
#include "viewer/build_image.h"
#include "viewer/value_stream.h"

// The value stream's bytes, placed into the program by the generated assembler file.
extern "C" const char viewer_stream_begin[];
extern "C" const char viewer_stream_end[];

int main() {
    ValueStream stream{viewer_stream_begin, viewer_stream_end, viewer_stream_begin};
    Rewind(stream);
    UseWindowBackend();
    if (OpenScreen(640, 480, 32) != ScreenResult::Ok) {
        // Without a window no key could ever end the wait below.
        std::fprintf(stderr, "viewer: %s\n", ScreenOpenFailure().c_str());
        std::fputs("viewer: cannot open the 640 x 480 window\n", stderr);
        return 1;
    }
    const std::unique_ptr<ImageBuffer, void (*)(ImageBuffer*)> picture(BuildImage(stream),
                                                                       DestroyImage);
    if (picture) {
        PutImage(nullptr, 0, 0, picture.get(), ArgDefault, ArgDefault, ArgDefault, ArgDefault, 0,
                 PutMode::Blend, 255);
    }
    SleepMs(-1);
    return 0;
}
