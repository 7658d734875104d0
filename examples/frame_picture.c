/* Frames a small made-up picture with libFramira from C.
 *
 *   cc frame_picture.c $(pkg-config --cflags --libs framira) -o frame_picture
 *   ./frame_picture [framed.ppm]
 *
 * The picture is a 96 x 64 colour gradient; the output is 320 x 240, written
 * as a binary PPM when a file name is given. Exit status 0 when framed. */
#include <framira.h>

#include <stdio.h>
#include <stdlib.h>

enum { kWidth = 96, kHeight = 64, kOutWidth = 320, kOutHeight = 240 };

int main(int argc, char** argv)
{
    unsigned char* picture = malloc((size_t)kWidth * kHeight * 3);
    unsigned char* framed = calloc((size_t)kOutWidth * kOutHeight, 3);
    int status = 1;
    if (picture == NULL || framed == NULL) {
        fputs("frame_picture: out of memory\n", stderr);
        goto done;
    }
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            unsigned char* pixel = picture + ((size_t)y * kWidth + x) * 3;
            pixel[0] = (unsigned char)(40 + x * 2);
            pixel[1] = (unsigned char)(60 + y * 2);
            pixel[2] = (unsigned char)(160 - x);
        }
    }

    printf("libFramira %s\n", Specklo_Version());
    if (Specklo_Init(kWidth, kHeight, 0) != 0) {
        fputs("frame_picture: the engine could not be created\n", stderr);
        goto done;
    }
    /* Preset 0: the output size is the one given; 8-bit samples; the
     * strength, scale and path arguments are not read by this engine. */
    const int32_t result =
        Framira_Run(picture, framed, 1.75f, 8, kWidth, kHeight, 1.0f, NULL, 0, kOutWidth, kOutHeight);
    Specklo_End();
    if (result != 0) {
        fprintf(stderr, "frame_picture: Framira_Run returned %d\n", (int)result);
        goto done;
    }

    /* The mat covers the whole output: a framed picture is never all black. */
    size_t lit = 0;
    for (size_t i = 0; i < (size_t)kOutWidth * kOutHeight * 3; ++i)
        lit += framed[i] != 0;
    if (lit == 0) {
        fputs("frame_picture: the output is empty\n", stderr);
        goto done;
    }

    if (argc > 1) {
        FILE* file = fopen(argv[1], "wb");
        if (file == NULL) {
            perror(argv[1]);
            goto done;
        }
        fprintf(file, "P6\n%d %d\n255\n", kOutWidth, kOutHeight);
        const size_t size = (size_t)kOutWidth * kOutHeight * 3;
        const int written = fwrite(framed, 1, size, file) == size;
        if (fclose(file) != 0 || !written) {
            perror(argv[1]);
            goto done;
        }
    }
    printf("framed %dx%d into %dx%d\n", kWidth, kHeight, kOutWidth, kOutHeight);
    status = 0;

done:
    free(framed);
    free(picture);
    return status;
}
