#include "imaging_test_support.h"

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>

#include <unistd.h>

namespace imgtest {

namespace {
std::atomic<int> folderCounter{0};
}

ScratchFolder::ScratchFolder()
{
    path = std::filesystem::temp_directory_path() /
           ("framira-imaging-" + std::to_string(::getpid()) + "-" + std::to_string(folderCounter++));
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
}

ScratchFolder::~ScratchFolder()
{
    std::error_code error;
    std::filesystem::remove_all(path, error);
}

Bytes ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::uint8_t Pattern(int x, int y, int c)
{
    // Smooth enough to survive JPEG coding recognisably, different per channel.
    return static_cast<std::uint8_t>((x * 5 + y * 3 + c * 30) & 0xFF);
}

Bytes MakeJpeg(const JpegRecipe& recipe)
{
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(recipe.width);
    cinfo.image_height = static_cast<JDIMENSION>(recipe.height);
    cinfo.input_components = recipe.components;
    cinfo.in_color_space = recipe.inSpace;
    jpeg_set_defaults(&cinfo);
    if (recipe.jpegSpace != JCS_UNKNOWN)
        jpeg_set_colorspace(&cinfo, recipe.jpegSpace);
    if (cinfo.num_components > 1) {
        cinfo.comp_info[0].h_samp_factor = recipe.hSamp0;
        cinfo.comp_info[0].v_samp_factor = recipe.vSamp0;
    }
    for (std::size_t i = 0; i < recipe.componentIds.size(); ++i)
        cinfo.comp_info[i].component_id = recipe.componentIds[i];
    cinfo.write_JFIF_header = recipe.jfif ? TRUE : FALSE;
    cinfo.write_Adobe_marker = recipe.adobe ? TRUE : FALSE;
    cinfo.density_unit = static_cast<UINT8>(recipe.densityUnit);
    cinfo.X_density = static_cast<UINT16>(recipe.xDensity);
    cinfo.Y_density = static_cast<UINT16>(recipe.yDensity);
    jpeg_set_quality(&cinfo, recipe.quality, TRUE);
    if (recipe.progressive)
        jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    if (!recipe.app1.empty())
        jpeg_write_marker(&cinfo, JPEG_APP0 + 1, recipe.app1.data(), static_cast<unsigned>(recipe.app1.size()));
    std::vector<JSAMPLE> row(static_cast<std::size_t>(recipe.width) * recipe.components);
    while (cinfo.next_scanline < cinfo.image_height) {
        const int y = static_cast<int>(cinfo.next_scanline);
        for (int x = 0; x < recipe.width; ++x)
            for (int c = 0; c < recipe.components; ++c)
                row[static_cast<std::size_t>(x) * recipe.components + c] = Pattern(x, y, c);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

CImage MakePatternImage(int cols, int rows, int planes)
{
    CImage image(cols, rows, planes, kSampleByte);
    for (int p = 0; p < planes; ++p)
        for (int y = 0; y < rows; ++y)
            for (int x = 0; x < cols; ++x)
                image.plane[p][static_cast<std::size_t>(y) * cols + x] = Pattern(x, y, p);
    return image;
}

std::vector<Segment> ReadSegments(const Bytes& file)
{
    std::vector<Segment> segments;
    if (file.size() < 2 || file[0] != 0xFF || file[1] != 0xD8)
        return segments;
    segments.push_back({0xD8, {}});
    std::size_t pos = 2;
    while (pos + 4 <= file.size() && file[pos] == 0xFF) {
        const int marker = file[pos + 1];
        const std::size_t length = (static_cast<std::size_t>(file[pos + 2]) << 8) | file[pos + 3];
        if (length < 2 || pos + 2 + length > file.size())
            break;
        segments.push_back({marker, Bytes(file.begin() + static_cast<long>(pos + 4),
                                          file.begin() + static_cast<long>(pos + 2 + length))});
        pos += 2 + length;
        if (marker == 0xDA)
            break;
    }
    return segments;
}

const Segment* FindSegment(const std::vector<Segment>& segments, int marker)
{
    for (const auto& s : segments)
        if (s.marker == marker)
            return &s;
    return nullptr;
}

std::string RunCommand(const std::string& command, int* status)
{
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) {
        if (status != nullptr)
            *status = -1;
        return output;
    }
    std::array<char, 4096> chunk;
    std::size_t got = 0;
    while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        output.append(chunk.data(), got);
    const int rc = ::pclose(pipe);
    if (status != nullptr)
        *status = rc;
    return output;
}

bool HaveTool(const std::string& name)
{
    int status = 0;
    RunCommand("command -v " + name + " >/dev/null 2>&1", &status);
    return status == 0;
}

std::string Quote(const std::filesystem::path& path)
{
    std::string quoted = "'";
    for (char c : path.string()) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

bool ParsePnm(const Bytes& file, Pnm& pnm)
{
    std::string head(file.begin(), file.begin() + static_cast<long>(std::min<std::size_t>(file.size(), 64)));
    std::istringstream in(head);
    std::string magic;
    int maxValue = 0;
    in >> magic >> pnm.width >> pnm.height >> maxValue;
    if (!in || (magic != "P5" && magic != "P6") || maxValue != 255)
        return false;
    pnm.planes = magic == "P5" ? 1 : 3;
    const std::size_t start = static_cast<std::size_t>(in.tellg()) + 1;
    const std::size_t count = static_cast<std::size_t>(pnm.width) * pnm.height * pnm.planes;
    if (file.size() < start + count)
        return false;
    pnm.samples.assign(file.begin() + static_cast<long>(start), file.begin() + static_cast<long>(start + count));
    return true;
}

} // namespace imgtest
