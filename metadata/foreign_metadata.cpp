#include "foreign_metadata.h"

#include "exif_block_edit.h"

#include <exiv2/exiv2.hpp>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <string>

namespace {

constexpr std::size_t kMaxPayload = 65533;

void PrepareExiv2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setLevel(Exiv2::LogMsg::mute);
        Exiv2::XmpParser::initialize();
    });
}

std::vector<std::uint8_t> WithSignature(const void* signature, std::size_t size, const std::uint8_t* data,
                                        std::size_t length)
{
    std::vector<std::uint8_t> payload(static_cast<const std::uint8_t*>(signature),
                                      static_cast<const std::uint8_t*>(signature) + size);
    payload.insert(payload.end(), data, data + length);
    return payload.size() <= kMaxPayload ? payload : std::vector<std::uint8_t>{};
}

// Tags that describe the source file's own raster or carry other blocks
// whole; none of them belongs in the output's EXIF block.
bool DescribesSourceFile(const Exiv2::Exifdatum& datum)
{
    const std::string group = datum.groupName();
    if (group == "Thumbnail" || group.rfind("SubImage", 0) == 0 || group.rfind("SubThumb", 0) == 0 ||
        (group.rfind("Image", 0) == 0 && group != "Image"))
        return true;
    if (group != "Image")
        return false;
    // A DNG's own tags and its mosaic's layout describe the raw data and how
    // to develop it: in a JPEG they make readers take the file for a DNG, and
    // a converter's private data or embedded original raw file only weighs
    // the block down. The camera's serial number and lens description stay.
    const std::uint16_t tag = datum.tag();
    if (tag >= 0xC612 && tag <= 0xCDFF && tag != 0xC62F && tag != 0xC630)
        return true;
    switch (tag) {
    case 0x828D: case 0x828E:  // CFARepeatPatternDim, CFAPattern
    case 0x00FE: case 0x00FF: case 0x0100: case 0x0101: case 0x0102: case 0x0103: case 0x0106:
    case 0x010A: case 0x0111: case 0x0115: case 0x0116: case 0x0117: case 0x011C: case 0x013D:
    case 0x0140: case 0x0142: case 0x0143: case 0x0144: case 0x0145: case 0x014A: case 0x0152:
    case 0x0153: case 0x015B: case 0x02BC: case 0x83BB: case 0x8649: case 0x8773: case 0x935C:
    // The source's page and colour-space description: the output is one
    // sRGB picture.
    case 0x0129: case 0x012D: case 0x013E: case 0x013F: case 0x0211: case 0x0212: case 0x0214:
        return true;
    default:
        return false;
    }
}

// The Orientation that turns the picture, taken as a JPEG's is: one SHORT
// from 1 to 8, else 0.
int ReadOrientation(const Exiv2::ExifData& exif)
{
    const auto datum = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation"));
    if (datum == exif.end() || datum->typeId() != Exiv2::unsignedShort || datum->count() != 1)
        return 0;
    const long value = datum->toLong();
    return value >= 1 && value <= 8 ? int(value) : 0;
}

std::vector<std::uint8_t> EncodeExif(Exiv2::ExifData exif, Exiv2::ByteOrder order, bool& hadThumbnail)
{
    for (auto i = exif.begin(); i != exif.end();) {
        if (i->groupName() == "Thumbnail")
            hadThumbnail = true;
        i = DescribesSourceFile(*i) ? exif.erase(i) : std::next(i);
    }
    // Orientation and resolution alone are what any TIFF writer puts down:
    // no block for them.
    const bool worthCarrying = std::any_of(exif.begin(), exif.end(), [](const Exiv2::Exifdatum& datum) {
        const std::uint16_t tag = datum.tag();
        return datum.groupName() != "Image" || (tag != 0x0112 && tag != 0x011A && tag != 0x011B && tag != 0x0128);
    });
    if (!worthCarrying)
        return {};
    // The picture is turned upright when read; an Orientation of another
    // type would otherwise be carried as it was.
    if (const auto orientation = exif.findKey(Exiv2::ExifKey("Exif.Image.Orientation")); orientation != exif.end())
        *orientation = std::uint16_t(1);
    Exiv2::Blob blob;
    Exiv2::ExifParser::encode(blob, order == Exiv2::invalidByteOrder ? Exiv2::littleEndian : order, exif);
    return blob.empty() ? std::vector<std::uint8_t>{} : WithSignature("Exif\0\0", 6, blob.data(), blob.size());
}

std::vector<std::uint8_t> EncodeXmp(const Exiv2::Image& image)
{
    // The packet as stored when Exiv2 keeps it (some formats leave its text
    // with Exiv2's parser only), else encoded again, compactly.
    std::string packet = image.xmpPacket();
    if (packet.empty() || packet.size() + kXmpSignatureSize > kMaxPayload) {
        packet.clear();
        const Exiv2::XmpData& xmp = image.xmpData();
        if (!xmp.empty() && Exiv2::XmpParser::encode(packet, xmp, Exiv2::XmpParser::useCompactFormat) != 0)
            packet.clear();
    }
    if (packet.empty())
        return {};
    return WithSignature(kXmpSignature, kXmpSignatureSize, reinterpret_cast<const std::uint8_t*>(packet.data()),
                         packet.size());
}

std::vector<std::uint8_t> EncodeIptc(const Exiv2::IptcData& iptc)
{
    if (iptc.empty())
        return {};
    const Exiv2::DataBuf irb = Exiv2::Photoshop::setIptcIrb(nullptr, 0, iptc);
    if (irb.size_ <= 0)
        return {};
    return WithSignature(kIptcSignature, kIptcSignatureSize, irb.pData_, std::size_t(irb.size_));
}

} // namespace

CForeignMetadata ReadForeignMetadata(std::span<const std::uint8_t> file, const std::vector<std::uint8_t>* pngExif)
{
    CForeignMetadata found;
    if (file.empty() || file.size() > std::size_t(std::numeric_limits<long>::max()))
        return found;
    PrepareExiv2();
    try {
        // Exiv2 reads the bytes where they are (no copy, no second open).
        const std::unique_ptr<Exiv2::Image> image =
            Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte*>(file.data()), long(file.size()));
        if (image.get() == nullptr)
            return found;
        image->readMetadata();
        if (pngExif != nullptr)
            found.segments.exif = WithSignature("Exif\0\0", 6, pngExif->data(), pngExif->size());
        if (!found.segments.exif.empty()) {
            found.orientation = ReadExifOrientation(found.segments.exif);
        } else {
            found.orientation = ReadOrientation(image->exifData());
            found.segments.exif = EncodeExif(image->exifData(), image->byteOrder(), found.hadThumbnail);
        }
        found.segments.xmp = EncodeXmp(*image);
        found.segments.iptc = EncodeIptc(image->iptcData());
    } catch (const Exiv2::AnyError&) {
        return {};
    } catch (const std::exception&) {
        return {};
    }
    return found;
}
