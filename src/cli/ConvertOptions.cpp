#include "cli/ConvertOptions.h"

#include <algorithm>

namespace {

enum class Option {
    None,
    Size,
    Colors,
    Mask,
    Format,
    Output,
    NoReplace,
    Jobs,
    Quiet,
    Help,
    Version
};

struct OptionName {
    Option Id;
    const char* Long;
    char Short; // 0 when there is no short form
    bool TakesValue;
};

const OptionName kOptions[] = {
    {Option::Size, "size", 's', true},     {Option::Colors, "colors", 'c', true},
    {Option::Mask, "mask", 'm', true},     {Option::Format, "format", 'f', true},
    {Option::Output, "output", 'o', true}, {Option::NoReplace, "no-replace", 0, false},
    {Option::Jobs, "jobs", 'j', true},     {Option::Quiet, "quiet", 'q', false},
    {Option::Help, "help", 'h', false},    {Option::Version, "version", 0, false},
};

const OptionName* FindLong(const QString& name) {
    for (const OptionName& o : kOptions) {
        if (name == QLatin1String(o.Long)) return &o;
    }
    return nullptr;
}

const OptionName* FindShort(QChar c) {
    for (const OptionName& o : kOptions) {
        if (o.Short != 0 && c == QLatin1Char(o.Short)) return &o;
    }
    return nullptr;
}

// Stores one option's value; returns an error text, empty when the value is good.
QString Apply(const OptionName& option, const QString& spelled, const QString& value,
              TConvertOptions& out) {
    auto bad = [&](const char* allowed) {
        return QStringLiteral("invalid value '%1' for %2 (expected %3)")
            .arg(value, spelled, QLatin1String(allowed));
    };
    switch (option.Id) {
    case Option::Size: {
        const auto sizes = ParseSizeList(value);
        if (!sizes) return bad("sizes from 1 to 256 separated by commas, each once");
        out.Sizes = *sizes;
        out.IconSize = sizes->front();
        return {};
    }
    case Option::Colors:
        if (value == QLatin1String("16"))
            out.IconBPP = 4;
        else if (value == QLatin1String("256"))
            out.IconBPP = 8;
        else if (value == QLatin1String("true"))
            out.IconBPP = 32;
        else
            return bad("16, 256 or true");
        return {};
    case Option::Mask:
        if (value == QLatin1String("auto"))
            out.Masking = TMasking::Auto;
        else if (value == QLatin1String("none"))
            out.Masking = TMasking::None;
        else
            return bad("auto or none");
        return {};
    case Option::Format:
        for (const TOutFormat format : {TOutFormat::Ico, TOutFormat::Mico, TOutFormat::Bmp}) {
            if (value == OutFormatText(format).toLower()) {
                out.Format = format;
                return {};
            }
        }
        return bad("ico, mico or bmp");
    case Option::Output:
        if (value.isEmpty()) return QStringLiteral("empty value for %1").arg(spelled);
        out.Output = value;
        out.OutputGiven = true;
        return {};
    case Option::NoReplace:
        out.Replace = false;
        return {};
    case Option::Jobs: {
        // Digits only: no sign, no spaces, nothing after them.
        bool digits = !value.isEmpty() && value.size() <= 3;
        for (const QChar c : value)
            digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const int jobs = digits ? value.toInt() : 0;
        if (jobs < 1 || jobs > MaxConvertJobs) return bad("a whole number from 1 to 256");
        out.Jobs = jobs;
        return {};
    }
    case Option::Quiet:
        out.Quiet = true;
        return {};
    case Option::Help:
        out.Help = true;
        return {};
    case Option::Version:
        out.Version = true;
        return {};
    case Option::None:
        break;
    }
    return {};
}

} // namespace

std::optional<std::vector<std::int32_t>> ParseSizeList(const QString& value) {
    std::vector<std::int32_t> sizes;
    for (const QString& part : value.split(QLatin1Char(','))) {
        // Digits only: no sign, no spaces, no leading zero.
        bool digits = !part.isEmpty() && part.size() <= 3 && part[0] != QLatin1Char('0');
        for (const QChar c : part)
            digits = digits && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const int size = digits ? part.toInt() : 0;
        if (size < 1 || size > MaxConvertSize) return std::nullopt;
        if (std::find(sizes.begin(), sizes.end(), size) != sizes.end()) return std::nullopt;
        sizes.push_back(size);
    }
    return sizes;
}

TConvertParse ParseConvertArguments(const QStringList& arguments) {
    TConvertParse result;
    TConvertOptions& out = result.Options;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (optionsEnded || arg.size() < 2 || !arg.startsWith(QLatin1Char('-'))) {
            out.Pictures << arg;
            continue;
        }
        if (arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        const OptionName* option = nullptr;
        QString spelled;
        QString value;
        bool haveValue = false;
        if (arg.startsWith(QLatin1String("--"))) {
            const qsizetype eq = arg.indexOf(QLatin1Char('='));
            spelled = eq < 0 ? arg : arg.left(eq);
            option = FindLong(spelled.mid(2));
            if (option && eq >= 0) {
                if (!option->TakesValue) {
                    result.Error = QStringLiteral("option %1 takes no value").arg(spelled);
                    return result;
                }
                value = arg.mid(eq + 1);
                haveValue = true;
            }
        } else {
            spelled = arg.left(2);
            option = FindShort(arg[1]);
            if (option && arg.size() > 2) {
                if (!option->TakesValue) {
                    result.Error = QStringLiteral("unknown option %1").arg(arg);
                    return result;
                }
                value = arg.mid(2);
                haveValue = true;
            }
        }
        if (!option) {
            result.Error = QStringLiteral("unknown option %1").arg(spelled);
            return result;
        }
        if (option->TakesValue && !haveValue) {
            if (i + 1 >= arguments.size()) {
                result.Error = QStringLiteral("option %1 needs a value").arg(spelled);
                return result;
            }
            value = arguments[++i];
        }
        result.Error = Apply(*option, spelled, value, out);
        if (!result.Error.isEmpty()) return result;
    }
    if (out.Pictures.isEmpty() && !out.Help && !out.Version)
        result.Error = QStringLiteral("no picture given");
    return result;
}

QString ConvertUsage() {
    return QStringLiteral(
        "Usage: tessaly-convert [OPTION]... PICTURE...\n"
        "Turns pictures (BMP, JPEG, GIF, ICO, PNG or SVG files) into Windows icons without a\n"
        "window, as the wizard's automatic run does. A picture's own transparency (alpha)\n"
        "marks the icon's transparent pixels.\n"
        "\n"
        "  -s, --size LIST             icon size in pixels, 1 to 256 (default 32); several\n"
        "                              sizes separated by commas (16,32,48,256) make one\n"
        "                              icon holding an image of each size, largest first\n"
        "  -c, --colors 16|256|true    number of colours (default 256); true: 32-bit colour\n"
        "                              with alpha, each pixel the average of the picture\n"
        "                              area it covers\n"
        "  -m, --mask auto|none        transparent background from the border, or none\n"
        "                              (default auto; true colour takes the picture's own\n"
        "                              transparency instead)\n"
        "  -f, --format ico|mico|bmp   one icon per picture, one icon file holding every\n"
        "                              picture, or one bitmap per picture (default ico)\n"
        "  -o, --output PATH           output folder for ico and bmp (default: the current\n"
        "                              folder); output file for mico (default: named after\n"
        "                              the first picture that loads, in the current folder)\n"
        "      --no-replace            keep files that exist already (ico and bmp)\n"
        "  -j, --jobs N                work on N pictures at once (1 to 256; default: one\n"
        "                              per processor the program may use); the files and\n"
        "                              messages are the same whatever N\n"
        "  -q, --quiet                 print nothing but warnings and errors\n"
        "  -h, --help                  show this help and exit\n"
        "      --version               show the version and exit\n"
        "\n"
        "Pictures are converted in the order given; an icon file with several images gives\n"
        "one picture per image. A 256-pixel image is stored PNG-coded, smaller ones as\n"
        "bitmaps. An SVG picture is drawn at each size, its view box filling the square.\n"
        "\n"
        "Output names:\n"
        "  The output is named after the picture, cut at the first dot of its name:\n"
        "  holiday.v1.jpg gives holiday.ico (so holiday.v2.jpg gives holiday.ico too).\n"
        "  The images of an icon file get their number: tools.ico gives tools_1.ico,\n"
        "  tools_2.ico, ...\n"
        "  With several sizes, bmp writes a file per size: holiday-16.bmp, holiday-32.bmp.\n"
        "  A mico output file name is cut the same way: --format mico --output x.y.ico\n"
        "  writes x.ico.\n"
        "  An existing mico file is appended to, never replaced: converting two pictures\n"
        "  into a file that holds one leaves it with three.\n"
        "  Folders are not created: the output folder must exist.\n"
        "  No output is written over a picture of the same run: that picture is skipped.\n"
        "\n"
        "Exit status: 0 every picture written; 1 some argument or picture skipped (not a\n"
        "picture file, not loadable, an existing file kept by --no-replace, or an output\n"
        "that would replace a picture of the run); 2 usage error (also an output folder\n"
        "that does not exist); 3 an output file, the list of written files or a message\n"
        "could not be written, or another error stopped the run; 129, 130, 143 stopped\n"
        "by SIGHUP, SIGINT, SIGTERM (the file in hand finished, no temporary file left).\n");
}
