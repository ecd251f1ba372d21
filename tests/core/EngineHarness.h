#pragma once

#include "core/JobState.h"
#include "core/StepEngine.h"
#include "fakes/FakePictureProcessor.h"
#include "fakes/FakeWizardView.h"

#include <gtest/gtest.h>

// One window's worth of parts: the job, a scripted view, fake processing work and the
// engine that drives them.
class EngineTest : public ::testing::Test {
protected:
    TJobState job;
    FakeWizardView view{job};
    FakePictureProcessor processor{job, view};
    TStepEngine engine{job, view, processor};

    // Queue entries by name; the fake processor does not touch the file system.
    void queue(const QStringList& paths) { job.InputList = paths; }

    // Presses Next until the wizard closes (Finish), with a bound against a run that
    // never ends.
    void nextToEnd(int limit = 50) {
        for (int i = 0; i < limit && !engine.Closed(); ++i)
            engine.NextButtonClick();
        ASSERT_TRUE(engine.Closed()) << "the run did not reach its end";
    }
};
