// Writes a YCCK JPEG, as Adobe's programs do, from raw CMYK bytes: TurboJPEG stores CMYK input
// so. Usage: write_ycck IN.raw WIDTH HEIGHT OUT.jpg
#include <turbojpeg.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

int main(int argc, char** argv) {
    if (argc != 5) return 2;
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<unsigned char> cmyk{std::istreambuf_iterator<char>(in), {}};
    const int width = std::atoi(argv[2]), height = std::atoi(argv[3]);
    if (cmyk.size() != size_t(width) * height * 4) return 1;
    tjhandle handle = tjInitCompress();
    unsigned char* jpeg = nullptr;
    unsigned long size = 0;
    if (!handle || tjCompress2(handle, cmyk.data(), width, 0, height, TJPF_CMYK, &jpeg, &size,
                               TJSAMP_444, 95, 0) != 0)
        return 1;
    std::ofstream(argv[4], std::ios::binary).write(reinterpret_cast<char*>(jpeg), long(size));
    tjFree(jpeg);
    tjDestroy(handle);
    return 0;
}
