// A job asks through its questions interface, whoever answers: here a
// script, with no window at all. A question is a code and its arguments;
// the job goes on to the end on OK and stops before anything is written on
// Cancel, at whichever question it comes.
#include "job/prepare.h"
#include "job/record.h"
#include "platform/text.h"
#include "tests/host/job_test.h"
#include "tests/support/scripted_answers.h"

namespace trivex::testing_job {
namespace {

using namespace job;

class ScriptedJobTest : public ::testing::Test {
protected:
    ScriptedJobTest() { setUpForJobs(machine); }

    static JobRequest restore() {
        JobRequest r;
        r.restoreChecked = true;
        r.targetDrive = "C";
        r.imagePath = kRestoreImage;
        return r;
    }
    static JobRequest backup() {
        JobRequest r = restore();
        r.restoreChecked = false;
        r.backupChecked = true;
        r.compressionLevel = 2;
        return r;
    }
    Prepared prepare(const JobRequest& request) { return prepareJob(machine, script, request, agreed); }
    std::vector<Code> codesAsked() const {
        std::vector<Code> codes;
        for (const Question& q : script.asked()) codes.push_back(q.code);
        return codes;
    }
    // The questions every job on this machine ends with: the demo build's, in a build with stand-ins.
    static std::vector<Code> withDemo(std::vector<Code> codes) {
        if (payloads::isDemoBuild()) codes.push_back(Code::AskDemoBuild);
        return codes;
    }

    SimMachine machine;
    sim::ScriptedAnswers script;
    Agreed agreed;
};

// E: is a folder drive (as under Wine): the system cannot say where it is,
// and nobody is asked about numbers that nobody can confirm from Windows:
// the DOS side finds E: by the job's outcome copy on it. What could not be
// checked is told with the job.
TEST_F(ScriptedJobTest, AWholeJobRunsWithTheAnswersOfAScript) {
    machine.forgetDrivePlace('E');
    machine.forgetVolume('E');
    script.queue({true, true});
    const Prepared prepared = prepare(restore());
    ASSERT_TRUE(prepared.ok) << (prepared.problem ? *prepared.problem : Problem{});
    ASSERT_TRUE(prepared.notice);
    EXPECT_EQ(*prepared.notice, around(Code::NotForeseen, {{Code::EncryptionNotChecked, {"E"}}}));
    EXPECT_EQ(codesAsked(), withDemo({}));
    EXPECT_NE(machine.content(kGhostBat)->find("call a:\\volumes.bat 8C3A-12F0 outcome 1 1 ? ?\r\n"), Text::npos);
    EXPECT_TRUE(BootMenu(machine).isRedirected());
    EXPECT_TRUE(readRecord(machine, kJobRecord));
    EXPECT_EQ(script.unanswered(), payloads::isDemoBuild() ? 1u : 2u);
}

// A backup over last month's image, onto a drive with less room than the
// partition uses, on a machine that cannot say where E: is: every question,
// in order, and Cancel at each one leaves the machine as it was.
TEST_F(ScriptedJobTest, CancelAtAnyQuestionStopsBeforeAnythingIsWritten) {
    const double lastMonth = text::dateFromParts({2026, 11, 7, 9, 5, 0});
    const auto setUp = [&](SimMachine& m) {
        m.forgetDrivePlace('E');
        m.forgetVolume('E');
        m.addFile(kRestoreImage, kImageBytes + Text(2048000, 'g'), kAttrArchive, lastMonth);
        m.addDrive('E', 80ull << 30, 10ull << 30);  // C: has 20 GB in use
    };
    setUp(machine);
    script.queue({true, true, true, true});
    ASSERT_TRUE(prepare(backup()).ok);
    const std::vector<Code> questions =
        withDemo({Code::AskOverwriteImage, Code::AskShortOfRoom});
    ASSERT_EQ(codesAsked(), questions);
    EXPECT_EQ(script.asked()[0], (Question{Code::AskOverwriteImage, {kRestoreImage, "2", Arg::when(lastMonth)}}));
    EXPECT_EQ(script.asked()[1], (Question{Code::AskShortOfRoom, {"E:", "10240", "C", "20480"}}));

    for (size_t cancelAt = 0; cancelAt < questions.size(); ++cancelAt) {
        SCOPED_TRACE(cancelAt);
        SimMachine fresh;
        setUpForJobs(fresh);
        setUp(fresh);
        const std::string before = diskOf(fresh);
        sim::ScriptedAnswers answers;
        for (size_t i = 0; i < cancelAt; ++i) answers.queue({true});
        answers.queue({false});
        Agreed none;
        const Prepared stopped = prepareJob(fresh, answers, backup(), none);
        EXPECT_FALSE(stopped.ok);
        EXPECT_FALSE(stopped.problem) << "the user stopped it: nothing to tell";
        EXPECT_EQ(answers.asked().size(), cancelAt + 1);
        EXPECT_EQ(diskOf(fresh), before);
        EXPECT_EQ(temporariesLeft(fresh), std::vector<Text>{});
    }
}

// A question that only informs is asked once a run when the user agreed:
// the same code with the same arguments. Cancel is not remembered, and any
// other question (other arguments) is asked.
TEST_F(ScriptedJobTest, AQuestionAgreedToIsNotAskedAgainButAnotherIs) {
    const Question first{Code::AskDemoBuild, {"1"}}, other{Code::AskDemoBuild, {"2"}};
    script.queue({false, true, true});
    EXPECT_FALSE(userAgreesOnce(script, agreed, first));
    EXPECT_TRUE(userAgreesOnce(script, agreed, first));
    EXPECT_TRUE(userAgreesOnce(script, agreed, first));
    EXPECT_TRUE(userAgreesOnce(script, agreed, other));
    EXPECT_EQ(script.asked(), (std::vector<Question>{first, first, other}));

    if (!payloads::isDemoBuild()) return;
    // Two jobs in one run: the demo build is told once.
    script.queue({true});
    ASSERT_TRUE(prepare(restore()).ok);
    ASSERT_TRUE(prepare(restore()).ok);
    EXPECT_EQ(script.asked().back(), Question{Code::AskDemoBuild});
    EXPECT_EQ(script.asked().size(), 4u);
}

}  // namespace
}  // namespace trivex::testing_job
