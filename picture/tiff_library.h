// libtiff, opened the first time a TIFF file comes (shared_library.h), for the units that read
// TIFF files. Internal to the picture library.
#pragma once

#include <tiffio.h>

#include <optional>

#include "picture/shared_library.h"

namespace picture {

#define TIFF_FUNCTIONS(X)                   \
    X(TIFFClientOpenExt)                    \
    X(TIFFClose)                            \
    X(TIFFComputeStrip)                     \
    X(TIFFComputeTile)                      \
    X(TIFFGetField)                         \
    X(TIFFGetFieldDefaulted)                \
    X(TIFFGetStrileByteCount)               \
    X(TIFFIsTiled)                          \
    X(TIFFNumberOfStrips)                   \
    X(TIFFNumberOfTiles)                    \
    X(TIFFOpenOptionsAlloc)                 \
    X(TIFFOpenOptionsFree)                  \
    X(TIFFOpenOptionsSetErrorHandlerExtR)   \
    X(TIFFOpenOptionsSetMaxSingleMemAlloc)  \
    X(TIFFOpenOptionsSetWarningHandlerExtR) \
    X(TIFFRGBAImageBegin)                   \
    X(TIFFRGBAImageEnd)                     \
    X(TIFFRGBAImageGet)                     \
    X(TIFFRGBAImageOK)                      \
    X(TIFFReadEncodedStrip)                 \
    X(TIFFReadEncodedTile)                  \
    X(TIFFSetField)                         \
    X(TIFFTileSize64)                       \
    X(TIFFVStripSize64)

struct TiffApi {
    TIFF_FUNCTIONS(DECLARE_LIBRARY_FUNCTION)
};

inline const std::optional<TiffApi>& TiffLibrary() {
    static const std::optional<TiffApi> api =
        OpenLibrary<TiffApi>(TIFF_SONAME, [](void* library, TiffApi& api) {
            bool complete = true;
            TIFF_FUNCTIONS(BIND_LIBRARY_FUNCTION)
            return complete;
        });
    return api;
}

// Called only once TiffLibrary() has been found: every reader checks it first.
inline const TiffApi& Tiff() {
    return *TiffLibrary();
}

}  // namespace picture
