#pragma once

#include "core/JobState.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <vector>

// The name the converter's messages start with.
inline constexpr const char* kConvertProgram = "tessaly-convert";

// What the command line of tessaly-convert asks for. The preset answers of the automatic
// run (size, depth, masking) and the save page's answers (format, location, replace).
struct TConvertOptions {
    int IconSize = 32; // the first size given
    int IconBPP = 8;   // 4 (16 colours), 8 (256 colours) or 32 (true colour with alpha)
    // Every size asked for, 1 to 256 each, in the order given (no repeats); just IconSize
    // unless --size named several.
    std::vector<std::int32_t> Sizes{32};
    TMasking Masking = TMasking::Auto;
    TOutFormat Format = TOutFormat::Ico;
    QString Output; // empty: the default location
    bool OutputGiven = false;
    bool Replace = true;
    int Jobs = 0; // pictures worked on at once; 0: one per processor
    bool Quiet = false;
    bool Help = false;
    bool Version = false;
    QStringList Pictures; // in the order given
};

struct TConvertParse {
    TConvertOptions Options;
    // Empty when the command line is sound; otherwise one line naming the bad option.
    QString Error;
};

// Parses the arguments after the program name. Options and pictures may be mixed; "--"
// ends the options. Values follow their option as the next argument, after "=" for long
// options, or attached to a short one ("-s16"). --help and --version need no pictures.
TConvertParse ParseConvertArguments(const QStringList& arguments);

// The most --jobs takes.
inline constexpr int MaxConvertJobs = 256;

// The largest icon size --size takes.
inline constexpr int MaxConvertSize = 256;

// The sizes of a --size value: whole numbers from 1 to MaxConvertSize separated by commas,
// each once. Nothing for anything else.
std::optional<std::vector<std::int32_t>> ParseSizeList(const QString& value);

// The --help text.
QString ConvertUsage();
