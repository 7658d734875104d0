#include "source_colour.h"

#include "color_profile.h"
#include "image.h"
#include "orientation.h"
#include "source_reading.h"

bool MakePictureRight(CImage& image, const CSourcePicture& source, EPlaneModel model)
{
    // A profile that cannot be used leaves the picture as it was read. A
    // HEIF colour description by code points ("nclx") stands for the profile
    // it describes; one that describes sRGB or BT.709 leaves the picture
    // alone, as does none at all. Inks have no colour without some press,
    // so CMYK without a usable profile goes through the default one.
    const std::vector<std::uint8_t> described =
        source.iccProfile.empty() ? MakeCodePointProfile(source.nclxPrimaries, source.nclxTransfer)
                                  : std::vector<std::uint8_t>{};
    const std::vector<std::uint8_t>& profile = source.iccProfile.empty() ? described : source.iccProfile;
    const bool inks = model == EPlaneModel::Cmyk || model == EPlaneModel::CmykInverted;
    const bool inverted = model == EPlaneModel::CmykInverted;
    int converted = kImageBadArgument;
    if (!profile.empty() && inks == (ProfileColorChannels(profile) == 4))
        converted = ConvertToSrgb(image, profile, inverted);
    if (inks && converted == kImageBadArgument)
        converted = ConvertToSrgb(image, DefaultCmykProfile(), inverted);
    if (converted == kImageOutOfMemory)
        return false;
    return ApplyOrientation(image, source.orientation) != kImageOutOfMemory;
}

bool MakePictureRight(CImage& image, const std::string& sourcePath, EPlaneModel model)
{
    return MakePictureRight(image, ReadSourceFactsFile(sourcePath), model);
}
