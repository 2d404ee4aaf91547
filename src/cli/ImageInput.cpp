#include "ImageInput.h"

#include <ImageFile.h>
#include <ImageFileReader.h>
#include <ImageLoadResult.h>

bool ImageInput::load(const std::string& path, ImageFileKind kind, std::string* error)
{
    const ImageFileBytes read = ReadImageFileBytes(path, kind);
    if (read.status != ImageFileBytes::Status::Read) {
        *error = DescribeImageFileBytes(read, path, kind);
        return false;
    }
    const ImageLoadResult result = LoadImageFile(*image, kind, read.bytes, &covered);
    if (result.complete()) {
        warning = DescribeImageLoad(result, path, image->deviceSize);
        return true;
    }
    if (result.status == ImageLoadResult::Status::Refused)
        *error = path + ": " + result.problem;
    else
        *error = DescribeImageLoad(result, path, image->deviceSize);
    // Part of a program is no program.
    if (result.loaded())
        *error += " The file was refused.";
    covered.reset();
    return false;
}
