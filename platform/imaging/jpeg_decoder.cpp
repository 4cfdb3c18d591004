// JPEG through libjpeg. libjpeg reports fatal errors by calling error_exit,
// which must not return; it longjmps back to the reading step that started
// the call. The reading steps below hold no C++ objects, so nothing is
// jumped over; the pixel rows are allocated between the steps.
//
// libjpeg only warns about data that ends early or is damaged and fills in
// grey; such pictures are refused here, since the caller is told an image
// loaded and would show garbage.
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

// jpeglib.h needs FILE and size_t declared before it.
#include <jerror.h>
#include <jpeglib.h>

#include "platform/imaging/decoders.h"

namespace platform::imaging {

namespace {

// More scans than any real encoder writes; crafted progressive files with
// thousands of tiny scans would otherwise take minutes.
constexpr int max_scans = 500;

struct JpegJob {
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    jpeg_progress_mgr progress;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
    bool created;
    J_COLOR_SPACE source_space;
};

JpegJob* job_of(j_common_ptr info) { return reinterpret_cast<JpegJob*>(info->client_data); }

[[noreturn]] void fail(j_common_ptr info)
{
    JpegJob* job = job_of(info);
    (*info->err->format_message)(info, job->message);
    std::longjmp(job->jump, 1);
}

void emit_message(j_common_ptr info, int level)
{
    if (level != -1) return;  // trace messages
    switch (info->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_MUST_RESYNC:
        fail(info);
    default:
        info->err->num_warnings++;  // benign: unknown markers, odd JFIF versions
    }
}

void output_nothing(j_common_ptr) { }

void watch_scans(j_common_ptr info)
{
    auto* decompress = reinterpret_cast<j_decompress_ptr>(info);
    if (decompress->input_scan_number > max_scans) {
        JpegJob* job = job_of(info);
        std::snprintf(job->message, sizeof job->message, "more than %d scans", max_scans);
        std::longjmp(job->jump, 1);
    }
}

// Reads the header and chooses the output colours. False with job->message
// set on failure.
bool read_header(JpegJob* job, const std::uint8_t* data, std::size_t size)
{
    job->info.err = jpeg_std_error(&job->errors);
    job->errors.error_exit = fail;
    job->errors.emit_message = emit_message;
    job->errors.output_message = output_nothing;
    // Kept by jpeg_create_decompress, and needed by fail() from then on.
    job->info.client_data = job;
    if (setjmp(job->jump)) return false;
    jpeg_create_decompress(&job->info);
    job->created = true;
    job->progress.progress_monitor = watch_scans;
    job->info.progress = &job->progress;
    job->info.mem->max_memory_to_use = 2 * max_image_bytes;
    jpeg_mem_src(&job->info, data, static_cast<unsigned long>(size));
    jpeg_read_header(&job->info, TRUE);
    job->source_space = job->info.jpeg_color_space;
    bool ink = job->source_space == JCS_CMYK || job->source_space == JCS_YCCK;
    job->info.out_color_space = ink ? JCS_CMYK : JCS_EXT_BGR;
    jpeg_calc_output_dimensions(&job->info);
    return true;
}

// Ink is stored inverted in files that carry Adobe's marker (which is what
// writes CMYK JPEGs in practice), plain otherwise.
void ink_to_bgr(const JSAMPLE* ink, std::uint8_t* bgr, JDIMENSION width, bool inverted)
{
    for (JDIMENSION x = 0; x < width; ++x, ink += 4, bgr += 3) {
        unsigned c = ink[0], m = ink[1], y = ink[2], k = ink[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = static_cast<std::uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<std::uint8_t>((c * k + 127) / 255);
    }
}

bool read_pixels(JpegJob* job, std::uint8_t* first_row, std::int64_t stride)
{
    if (setjmp(job->jump)) return false;
    jpeg_start_decompress(&job->info);
    bool ink = job->info.out_color_space == JCS_CMYK;
    JSAMPARRAY ink_row = nullptr;
    if (ink)
        ink_row = (*job->info.mem->alloc_sarray)(
            reinterpret_cast<j_common_ptr>(&job->info), JPOOL_IMAGE, job->info.output_width * 4, 1);
    while (job->info.output_scanline < job->info.output_height) {
        std::uint8_t* row = first_row + stride * job->info.output_scanline;
        if (ink) {
            jpeg_read_scanlines(&job->info, ink_row, 1);
            ink_to_bgr(ink_row[0], row, job->info.output_width, job->info.saw_Adobe_marker);
        } else {
            JSAMPROW rows[1] = {row};
            jpeg_read_scanlines(&job->info, rows, 1);
        }
    }
    jpeg_finish_decompress(&job->info);
    return true;
}

UINT colour_space_flag(J_COLOR_SPACE space)
{
    switch (space) {
    case JCS_GRAYSCALE:
        return ImageFlagsColorSpaceGRAY;
    case JCS_YCbCr:
        return ImageFlagsColorSpaceYCBCR;
    case JCS_CMYK:
        return ImageFlagsColorSpaceCMYK;
    case JCS_YCCK:
        return ImageFlagsColorSpaceYCCK;
    default:
        return ImageFlagsColorSpaceRGB;
    }
}

struct JobOwner {
    JpegJob* job;
    ~JobOwner()
    {
        if (job->created) jpeg_destroy_decompress(&job->info);
        delete job;
    }
};

}  // namespace

Result<Picture> decode_jpeg(std::span<const std::uint8_t> data, const PixelAllocator& allocate)
{
    auto* job = new (std::nothrow) JpegJob {};
    if (!job) return Failure {"no memory to start the JPEG decoder"};
    JobOwner owner {job};
    if (!read_header(job, data.data(), data.size()))
        return Failure {std::string("damaged JPEG header: ") + job->message};
    // JPEG sides stop at 65535, so they fit an int.
    auto allocated = allocate(PixelFormat24bppRGB, int(job->info.output_width), int(job->info.output_height));
    if (!allocated) return Failure {"JPEG " + allocated.failure().text()};
    std::unique_ptr<Pixels> pixels = std::move(allocated).value();
    if (!read_pixels(job, pixels->row(0), pixels->stride()))
        return Failure {std::string("damaged JPEG data: ") + job->message};
    Picture picture;
    picture.raw_format = ImageFormatJPEG;
    picture.flags = ImageFlagsHasRealPixelSize | ImageFlagsReadOnly | colour_space_flag(job->source_space);
    if (job->info.saw_JFIF_marker && job->info.X_density > 0 && job->info.Y_density > 0 &&
        (job->info.density_unit == 1 || job->info.density_unit == 2)) {
        double per_inch = job->info.density_unit == 1 ? 1.0 : 2.54;
        picture.x_dpi = job->info.X_density * per_inch;
        picture.y_dpi = job->info.Y_density * per_inch;
        picture.flags |= ImageFlagsHasRealDPI;
    }
    picture.pixels = std::move(pixels);
    return picture;
}

}  // namespace platform::imaging
