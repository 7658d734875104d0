// Reads the header of the source JPEG for the writer with source.
#include "jpeg_source.h"

#include <algorithm>
#include <memory>

#include "jpeg_error.h"

namespace {
struct JpegSourceJob {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    std::FILE* file;
    JpegSourceParameters* out;
    bool ok;
};

// The only function here that calls setjmp: plain locals only.
void RunSourceRead(JpegSourceJob* job)
{
    j_decompress_ptr cinfo = &job->cinfo;
    cinfo->err = InstallJpegErrorManager(job->error);
    job->ok = false;
    if (setjmp(job->error.jump)) {
        jpeg_destroy_decompress(cinfo);
        return;
    }
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = 64L << 20;
    jpeg_stdio_src(cinfo, job->file);
    jpeg_read_header(cinfo, TRUE);
    FillJpegCoding(*cinfo, *job->out);
    jpeg_destroy_decompress(cinfo);
    job->ok = true;
}
} // namespace

void FillJpegCoding(const jpeg_decompress_struct& cinfo, CJpegCoding& out)
{
    out.numComponents = cinfo.num_components;
    const int known = std::min(cinfo.num_components, MAX_COMPONENTS);
    for (int i = 0; i < known; ++i) {
        out.componentId[i] = cinfo.comp_info[i].component_id;
        out.hSampFactor[i] = cinfo.comp_info[i].h_samp_factor;
        out.vSampFactor[i] = cinfo.comp_info[i].v_samp_factor;
    }
    out.sawJfif = cinfo.saw_JFIF_marker != 0;
    out.jfifMajor = cinfo.JFIF_major_version;
    out.jfifMinor = cinfo.JFIF_minor_version;
    out.densityUnit = cinfo.density_unit;
    out.xDensity = cinfo.X_density;
    out.yDensity = cinfo.Y_density;
    out.sawAdobe = cinfo.saw_Adobe_marker != 0;
    out.adobeTransform = cinfo.Adobe_transform;
    out.dataPrecision = cinfo.data_precision;
}

int ReadJpegSourceParameters(std::FILE* file, JpegSourceParameters& parameters)
{
    parameters = JpegSourceParameters();
    auto job = std::make_unique<JpegSourceJob>();
    job->file = file;
    job->out = &parameters;
    RunSourceRead(job.get());
    return job->ok ? 0 : 1;
}
