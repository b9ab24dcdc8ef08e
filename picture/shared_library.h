// Decoding libraries that most runs never need (libheif with its HEVC and AV1 codecs, libtiff
// with its compressors) would add milliseconds to every program's start: their units open them
// the first time a file of theirs comes, for the rest of the process. Internal to the picture
// library.
//
// A unit lists the functions it calls, X(name) each, keeps them in a record of its own, and opens
// the library once, as heif.cpp does:
//     #define TIFF_FUNCTIONS(X) X(TIFFClose) X(TIFFGetField)
//     struct TiffApi { TIFF_FUNCTIONS(DECLARE_LIBRARY_FUNCTION) };
//     static const std::optional<TiffApi> api =
//         OpenLibrary<TiffApi>(TIFF_SONAME, [](void* library, TiffApi& api) {
//             bool complete = true;
//             TIFF_FUNCTIONS(BIND_LIBRARY_FUNCTION)
//             return complete;
//         });
#pragma once

#include <dlfcn.h>

#include <optional>

namespace picture {

#define DECLARE_LIBRARY_FUNCTION(name) decltype(&::name) name = nullptr;
#define BIND_LIBRARY_FUNCTION(name) \
    complete = BindLibraryFunction(library, #name, api.name) && complete;

template <typename Function>
bool BindLibraryFunction(void* library, const char* name, Function*& function) {
    function = reinterpret_cast<Function*>(::dlsym(library, name));
    return function != nullptr;
}

// The record of the library's functions, or nullopt when it or one of them cannot be found.
template <typename Api, typename Binder>
std::optional<Api> OpenLibrary(const char* soname, Binder bind) {
    void* library = ::dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    Api api;
    if (!library || !bind(library, api)) return std::nullopt;
    return api;
}

}  // namespace picture
