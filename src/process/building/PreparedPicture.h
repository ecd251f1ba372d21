#pragma once

#include "core/JobState.h"
#include "image/SafeFile.h"
#include "process/loading/PictureLoader.h"

#include <QByteArray>
#include <QImage>

#include <cstdint>
#include <exception>
#include <memory>
#include <vector>

// One picture of an automatic run as the worker threads hand it over: the job's fields
// after loading, after the icon build and after the automatic mask, why the loading
// failed, and the error a step raised, to be raised again by the same step on
// the run's own thread.
struct TPreparedPicture {
    std::int32_t FileIndex = 0;
    std::int32_t SubIndex = 0;

    bool Loaded = false;
    TSourceKind SourceKind = TSourceKind::Unset;
    std::int32_t SubCount = 0;
    std::int32_t IconFileIndex = -1;
    std::int32_t IconFileCount = 0;
    QImage InputImage;
    std::int32_t InputRowsFor = 0;
    QByteArray SvgData;
    TPxlMap LoadedIconMap{};
    TPxlMap SourceMaskMap{};
    TLoadFailure Failure; // when not loaded, for the run to report

    // What the icon build was made for; another answer on the run's thread means its own
    // build rather than this one.
    std::int32_t IconSize = 0;
    std::int32_t IconBPP = 0;
    TSizing Sizing = TSizing::Scale;
    bool IconBuilt = false; // BuildIcon's result
    TPxlMap BuiltIconMap{};
    TPxlMap BuiltMaskMap{};
    TPxlMap BuiltAlphaMask{};
    QImage IconImage;
    std::vector<TEncodedIcon> IconSet; // the images of a job that BuildsIconSet

    bool Masked = false; // the automatic mask was made
    TPxlMap MaskedIconMap{};
    TPxlMap MaskedMaskMap{};

    // The output file's bytes, written ahead into the run's output folder (when given
    // one) from the maps above; the run puts it in place if it writes exactly these bytes
    // there, and it is removed otherwise.
    std::shared_ptr<StagedFile> Staged;

    enum Stage { NoError, AtLoad, AtBuild, AtMask };
    Stage ErrorStage = NoError;
    std::exception_ptr Error;
};
