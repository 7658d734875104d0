#pragma once
// Embedded ICC colour profiles and conversion to sRGB (LittleCMS).
//
// Cameras and editors tag pictures in wide colour spaces (Adobe RGB, Display
// P3) and CMYK separations with the profile that gives their samples a
// meaning. The engine and every viewer of the output assume sRGB, so a
// tagged picture is converted right after reading; an untagged picture is
// taken to be sRGB already and is left alone, except CMYK, which has no
// colour without some press: it is taken to be printed on the default one.

#include <cstdint>
#include <span>
#include <vector>

class CImage;

// (The profile a file embeds is read with the file: embedded_profile.h.)

// The number of colour channels of a profile's colour space (1 grey, 3 RGB,
// 4 CMYK), 0 when it cannot be parsed or is of another kind.
int ProfileColorChannels(std::span<const std::uint8_t> profile);

// An RGB profile for a colour description given by code points, as HEIF and
// AVIF files give it without an ICC profile (an "nclx" colour box, with the
// code points of ITU-T H.273): `primaries` and `transfer`. Unspecified and
// unknown primaries are taken as BT.709's (sRGB's), unspecified and unknown
// transfers as sRGB's. Empty when the description comes to sRGB or BT.709
// (primaries 1 with an sRGB or BT.709 transfer): such pictures are taken as
// sRGB, as they always were, and left exactly as read. HDR transfers (PQ,
// HLG) are mapped to SDR light on the way; see the source for how.
std::vector<std::uint8_t> MakeCodePointProfile(int primaries, int transfer);

// The profile CMYK pictures without a usable one of their own are converted
// through: coated offset printing after ISO 12647-2, built in code (no file
// is needed), made once. Empty only if LittleCMS cannot build it.
const std::vector<std::uint8_t>& DefaultCmykProfile();

// Converts the colour planes of `image` from `profile` to sRGB with the
// perceptual intent: a grey profile turns plane 0 into three RGB planes, an
// RGB profile converts planes 0 to 2, a CMYK profile turns four planes of ink
// (stored inverted when `invertedCmyk`, as Adobe applications write them)
// into three RGB planes. A plane after the colour planes (transparency) is
// kept after them. 8- and 16-bit samples only.
// Returns 0 converted; 1 when the profile cannot be parsed, does not fit the
// picture's planes or sample type, or LittleCMS cannot build the transform
// (the image is then untouched); 3 when memory runs out (untouched too).
int ConvertToSrgb(CImage& image, std::span<const std::uint8_t> profile, bool invertedCmyk);

// The same for interleaved 8-bit R, G, B samples, `cols` × `rows` pixels
// converted where they lie from an RGB `profile`: the samples ConvertToSrgb
// gives the three planes of such a picture. Returns as ConvertToSrgb (1 also
// for a profile that is not RGB); on failure the samples are untouched.
int ConvertRgbSamplesToSrgb(std::uint8_t* samples, int cols, int rows, std::span<const std::uint8_t> profile);

// Converts CIE L*a*b* planes (planes 0 to 2; a fourth, transparency, is
// kept after them) to sRGB with the perceptual intent. L* runs over the
// whole sample range (0 to 100); a* and b* are two's complement when
// `signedAb` (TIFF's CIELab), else offset by half the range (ICC's Lab, where
// a 16-bit L* of 100 is 65280). The values are relative to the white of
// chromaticity `whiteX`, `whiteY` (D50 is 0.3457, 0.3585), which becomes
// sRGB's white; colours are adapted to it as the eye adapts. Returns as
// ConvertToSrgb; on failure the samples may have been brought to ICC's
// encoding.
int ConvertLabToSrgb(CImage& image, bool signedAb, double whiteX, double whiteY);
