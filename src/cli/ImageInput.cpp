#include "ImageInput.h"

#include <ImageFile.h>
#include <ImageFileReader.h>
#include <ImageLoadResult.h>
#include <StopSignal.h>

#include <algorithm>
#include <unistd.h>

ImageInput::Outcome ImageInput::load(const std::string& path, std::optional<ImageFileKind> format, std::string* error)
{
    const std::string label = FileLabel(path, true);
    // Until the content tells, the larger format's limit holds.
    const int64_t limit =
        format ? ImageFileMaxLength(*format)
               : std::max(ImageFileMaxLength(ImageFileKind::Binary), ImageFileMaxLength(ImageFileKind::IntelHex));
    const ImageFileBytes read = path == "-" ? ReadImageStream(STDIN_FILENO, limit, [] { return StopSignalNumber() != 0; })
                                            : ReadImageFileBytes(path, limit);
    if (read.status == ImageFileBytes::Status::Stopped)
        return Outcome::Stopped;
    if (read.status != ImageFileBytes::Status::Read) {
        *error = DescribeImageFileBytes(read, label, format.value_or(ImageFileKindOfSuffix(path)));
        return Outcome::Refused;
    }
    const ImageFileKind kind = format.value_or(ImageFileKindOfInput(path, read.bytes));
    const ImageLoadResult result = LoadImageFile(*image, kind, read.bytes, &covered);
    if (result.complete()) {
        warning = DescribeImageLoad(result, label, image->deviceSize);
        return Outcome::Loaded;
    }
    if (result.status == ImageLoadResult::Status::Refused)
        *error = label + ": " + result.problem;
    else
        *error = DescribeImageLoad(result, label, image->deviceSize);
    // Part of a program is no program.
    if (result.loaded())
        *error += " The file was refused.";
    covered.reset();
    return Outcome::Refused;
}

std::string FileLabel(const std::string& path, bool input)
{
    if (path != "-")
        return path;
    return input ? "standard input" : "standard output";
}
