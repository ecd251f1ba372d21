#pragma once

#include "core/JobState.h"

#include <QString>
#include <QStringList>

// The name the converter's messages start with.
inline constexpr const char* kConvertProgram = "tessaly-convert";

// What the command line of tessaly-convert asks for. The preset answers of the automatic
// run (size, depth, masking) and the save page's answers (format, location, replace).
struct TConvertOptions {
    int IconSize = 32; // 16, 32 or 48
    int IconBPP = 8;   // 4 (16 colours) or 8 (256 colours)
    int Masking = 1;   // 1 = auto-mask, 0 = none
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

// The --help text.
QString ConvertUsage();
