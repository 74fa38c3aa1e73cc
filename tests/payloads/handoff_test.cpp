// The hand-off written once: the built boot image's scripts and the loader's
// command list hold the program's own values where their sources have
// placeholders, so that what the DOS side looks for is what the program
// writes, and what it appends is what the program reads. The scripts are
// read back from the built image with mtools and checked against the
// program's writers (record, ghost.bat, boot files), not against copies.
// And a source that names a value the hand-off lacks stops the build.
#include <algorithm>
#include <cctype>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "helpers.h"
#include "job/files.h"
#include "job/ghost_plan.h"
#include "payloads/handoff.h"
#include "job/job_files.h"
#include "job/record.h"

namespace trivex::job {
// For the tests' messages.
void PrintTo(Outcome o, std::ostream* os) { *os << "Outcome(" << static_cast<int>(o) << ")"; }
}  // namespace trivex::job

namespace trivex::test {
namespace {

namespace h = handoff;

const fs::path kGen = TRIVEX_PAYLOAD_GEN_DIR;
const fs::path kSource = TRIVEX_PAYLOAD_SOURCE_DIR;
const fs::path kStandins = TRIVEX_PAYLOAD_STANDIN_DIR;
const std::string kMkimage = TRIVEX_MKIMAGE;
const std::string kPatchldr = TRIVEX_PATCHLDR;
const std::string kEmbed = TRIVEX_EMBED;
const std::string kToken = "0123456789ABCDEF";

std::string script(const std::string& name) { return mtype(kGen / "DosImage.bin", name); }

std::vector<std::string> split(const std::string& text, const std::string& by) {
    std::vector<std::string> parts;
    for (size_t at = 0;;) {
        const size_t end = text.find(by, at);
        parts.push_back(text.substr(at, end == std::string::npos ? std::string::npos : end - at));
        if (end == std::string::npos) return parts;
        at = end + by.size();
    }
}

std::string upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The lines of `text` that start with `start`.
std::vector<std::string> linesStarting(const std::string& text, const std::string& start) {
    std::vector<std::string> found;
    for (const std::string& l : split(text, "\r\n"))
        if (l.starts_with(start)) found.push_back(l);
    return found;
}

// What follows `start` on the one line that starts with it.
std::string after(const std::string& text, const std::string& start) {
    const std::vector<std::string> found = linesStarting(text, start);
    EXPECT_EQ(found.size(), 1u) << "lines starting with " << start << ":\n" << text;
    return found.empty() ? "" : found[0].substr(start.size());
}

// The file name of a path in C:\ as DOS compares names: in capitals.
std::string nameOf(const char* path) { return upper(std::string(path).substr(3)); }

bool isLineOf(const std::string& text, const std::string& line) {
    const std::vector<std::string> lines = split(text, "\r\n");
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// A restore's record as the program writes it.
std::string recordOf(bool outcomeCopy, job::BootRoute route = job::BootRoute::BootIni) {
    job::JobRecord r;
    r.token = kToken;
    r.outcomeCopy = outcomeCopy;
    r.kind = job::JobKind::Restore;
    r.route = route;
    r.prepared = "2026-12-07 18:43:30";
    r.image = "E:\\Ghost\\G_WinXP.gho";
    for (const job::JobFile& f : job::kJobFiles)
        if (job::writtenOn(f, route)) r.wrote.push_back(f.name);
    return job::recordText(r);
}

TEST(Handoff, TheDosSideFindsTheJobByTheLinesOfTheProgramsRecordAndTheImageByItsName) {
    // TOKEN.BAT: "set VAR=????????????????"; DRIVE.BAT: "jobtool line %1:\OUTCOME token=%VAR% copy=outcome"
    // and "jobtool line %1:\RECORD token=%VAR% copy=job": each copy by its own name.
    const std::string tokenLine = script("TOKEN.BAT");
    const std::string var = "%" + tokenLine.substr(4, tokenLine.find('=') - 4) + "%";
    const std::string look = "jobtool line %1:\\", exists = "if not exist %1:\\";
    const std::vector<std::string> checks = linesStarting(script("DRIVE.BAT"), look);
    ASSERT_EQ(checks.size(), 2u) << script("DRIVE.BAT");
    const std::string outcomeName = nameOf(job::outcomeRecordPath("E:\\Ghost\\G_WinXP.gho").c_str());
    EXPECT_NE(outcomeName, nameOf(job::kJobRecord)) << "an image on C: would put both copies in one file";
    std::set<std::string> copies;
    for (size_t i = 0; i < 2; ++i) {
        std::vector<std::string> words = split(checks[i].substr(look.size()), " ");
        ASSERT_EQ(words.size(), 3u) << checks[i];
        const bool outcome = upper(words[0]) == outcomeName;
        EXPECT_EQ(upper(words[0]), outcome ? outcomeName : nameOf(job::kJobRecord)) << checks[i];
        copies.insert(upper(words[0]));
        ASSERT_NE(words[1].find(var), std::string::npos) << checks[i];
        words[1].replace(words[1].find(var), var.size(), kToken);
        const std::string mine = recordOf(outcome), other = recordOf(!outcome);
        EXPECT_TRUE(isLineOf(mine, words[1]) && isLineOf(mine, words[2])) << checks[i] << "\n" << mine;
        EXPECT_FALSE(isLineOf(other, words[2])) << checks[i] << " does not tell the two copies apart";
    }
    EXPECT_EQ(copies.size(), 2u) << "both copies are looked for";
    // The job drive holds the job's image and ghost.bat: "if not exist %1:\NAME goto end".
    std::set<std::string> beside;
    for (const std::string& l : linesStarting(script("DRIVE.BAT"), exists))
        beside.insert(upper(split(l.substr(exists.size()), " ")[0]));
    EXPECT_EQ(beside, (std::set<std::string>{nameOf(job::kVemoImg), nameOf(job::kGhostBat)}));

    // The loader finds the image by the name the job writes it under:
    // "find --set-root /NAME" and "map --mem /NAME (fd0)".
    const std::string loader = readAll(kGen / "Loader.bin"), name = std::string(job::kVemoImg).substr(3);
    EXPECT_NE(loader.find("find --set-root /" + name + "\n"), std::string::npos);
    EXPECT_NE(loader.find("map --mem /" + name + " (fd0)\n"), std::string::npos);
}

TEST(Handoff, TheDosSideTouchesOnlyTheProgramsFilesByTheirNames) {
    const std::string menu = script("MENU.BAT");
    // The boot menu comes back on the route "jobtool line %s%:\RECORD route=boot.ini" names, by three renames.
    const std::string route = split(linesStarting(menu, "jobtool line %s%:\\")[0], " ")[3];
    EXPECT_TRUE(isLineOf(recordOf(false, job::BootRoute::BootIni), route)) << route;
    EXPECT_FALSE(isLineOf(recordOf(false, job::BootRoute::BootStore), route)) << route;
    const auto ren = [](const char* from, const char* to) {
        return "JOBTOOL REN %S%:\\" + nameOf(from) + " " + nameOf(to);
    };
    std::vector<std::string> renames = linesStarting(menu, "jobtool ren %s%:\\");
    for (std::string& r : renames) r = upper(r);
    EXPECT_EQ(renames, (std::vector<std::string>{ren(job::kBootIni, job::kBootIniAside), ren(job::kBootIniNew, job::kBootIni),
                                                 ren(job::kBootIniAside, job::kBootIni)}));
    // "jobtool menu %s%:\RECORD %s%:\MENU NEW SAVED LINEKEY WASKEY SUMKEY": the files by
    // their names, and the keys of the lines a record with the menu's lines holds.
    const std::vector<std::string> edit = split(linesStarting(menu, "jobtool menu ")[0], " ");
    ASSERT_EQ(edit.size(), 9u);
    EXPECT_EQ(upper(edit[2]), "%S%:\\" + nameOf(job::kJobRecord));
    EXPECT_EQ(upper(edit[3]), "%S%:\\" + nameOf(job::kBootIni));
    EXPECT_EQ(upper(edit[4]), nameOf(job::kBootIniNew));
    EXPECT_EQ(upper(edit[5]), nameOf(job::kBootBak));
    job::JobRecord withMenu = *job::parseRecord(recordOf(false));
    withMenu.menu = job::planRedirect("[boot loader]\r\ntimeout=5\r\n[operating systems]\r\na=\"A\"\r\n").memo;
    const std::string written = job::recordText(withMenu);
    EXPECT_EQ(linesStarting(written, edit[6] + "=").size(), 3u) << written;
    EXPECT_EQ(linesStarting(written, edit[7] + "=").size(), 3u) << written;
    EXPECT_EQ(after(written, edit[8] + "="), withMenu.menu.savedSum) << written;

    // "for %%f in (NAMES) do call a:\jobfile.bat KEY %%f": every job file the record may list
    // as written, and those a user's file may wait aside for (as NAME.bak); then,
    // "call a:\jobfile.bat KEY NAME", the boot image, once the user's files have their names back.
    std::map<std::string, std::set<std::string>> lists, expected;
    std::vector<std::string> order;
    for (const std::string& l : split(menu, "\r\n")) {
        const std::vector<std::string> words = split(l, " ");
        if (l.starts_with("for %%f in (")) {
            const std::vector<std::string> names = split(l.substr(12, l.find(')') - 12), " ");
            lists[words[words.size() - 2]].insert(names.begin(), names.end());
            order.push_back(words[words.size() - 2]);
        } else if (l.starts_with("call a:\\jobfile.bat ") && words.size() == 4) {
            lists[words[2]].insert(words[3]);
            order.push_back(words[3]);
        }
    }
    for (const job::JobFile& f : job::kJobFiles) {
        expected[h::kKeyWrote].insert(f.name);
        if (!f.setAsideAs) continue;
        expected[h::kKeyAside].insert(f.name);
        EXPECT_EQ(nameOf(f.setAsideAs), upper(std::string(f.name) + h::kAsideSuffix));
    }
    EXPECT_EQ(lists, expected);
    EXPECT_EQ(order, (std::vector<std::string>{h::kKeyWrote, h::kKeyAside, h::kBootImageName.text}));
    // JOBFILE.BAT KEY NAME looks for the record's line KEY=NAME.
    EXPECT_EQ(upper(linesStarting(script("JOBFILE.BAT"), "jobtool line")[0]),
              "JOBTOOL LINE %S%:\\" + nameOf(job::kJobRecord) + " %1=%2");
}

// What RECORD.BAT appends to the outcome copy when it runs with `args` (%1
// %2 ...) after a program that left the errorlevel 25: each of its lines
// "if [not] "A"=="B" ... echo TEXT>>%o%:\RECORD" whose conditions hold, with
// the arguments in place.
std::string appendedBy(const std::string& record, const std::vector<std::string>& args) {
    std::string out;
    for (std::string l : split(record, "\r\n")) {
        for (size_t n = 1; n <= 9; ++n) {
            const std::string var = "%" + std::to_string(n), value = n <= args.size() ? args[n - 1] : "";
            for (size_t at = l.find(var); at != std::string::npos; at = l.find(var, at + value.size()))
                l.replace(at, var.size(), value);
        }
        if (const size_t at = l.find("%e%"); at != std::string::npos) l.replace(at, 3, "25");
        bool holds = true;
        while (holds && l.starts_with("if ")) {
            l = l.substr(3);
            const bool negated = l.starts_with("not ");
            if (negated) l = l.substr(4);
            const size_t a = l.find('"', 1), b = a == std::string::npos ? a : l.find('"', a + 4);
            if (!l.starts_with("\"") || b == std::string::npos || l.compare(a, 4, "\"==\"") != 0) {
                holds = false;  // "if errorlevel ...": no note
                break;
            }
            holds = (l.substr(1, a - 1) == l.substr(a + 4, b - a - 4)) != negated;
            l = l.substr(b + 2);
        }
        const size_t to = l.find(">>%o%:\\");
        if (!holds || !l.starts_with("echo ") || to == std::string::npos) continue;
        EXPECT_EQ(upper(l.substr(to + 7)), nameOf(job::outcomeRecordPath("E:\\x.gho").c_str())) << l;
        out += l.substr(5, to - 5) + "\r\n";
    }
    return out;
}

// What the program reads in the outcome copy with those notes appended.
struct Read {
    job::Outcome outcome = job::Outcome::None;
    int exitCode = -1;
    job::VolumesFound volumes = job::VolumesFound::None;
    int volumesCode = -1;
    std::string found;
    int imageCheck = -1;
    bool operator==(const Read&) const = default;
};
void PrintTo(const Read& r, std::ostream* os) {
    *os << "{outcome " << static_cast<int>(r.outcome) << ", exit " << r.exitCode << ", volumes "
        << static_cast<int>(r.volumes) << " " << r.volumesCode << " " << r.found << ", check " << r.imageCheck << "}";
}

Read ghostRead(job::Outcome o, int exitCode = -1) { return {o, exitCode, job::VolumesFound::None, -1, "", -1}; }
Read volumesRead(job::VolumesFound v, int code, const std::string& found) {
    return {job::Outcome::None, -1, v, code, found, -1};
}

Read readBack(const std::string& notes) {
    const std::optional<job::JobRecord> r = job::parseRecord(recordOf(true) + notes);
    if (!r) return ghostRead(job::Outcome::None, -2);
    const std::string found = r->foundTarget.empty() ? "" : r->foundTarget + " " + r->foundImage;
    return {r->outcome, r->exitCode, r->volumes, r->volumesCode, found, r->imageCheck};
}

// The batch files' calls of RECORD.BAT ("call a:\record.bat VERB ...", or
// without CALL, after an IF that leaves the errorlevel as it is), whatever
// IF they stand behind.
std::vector<std::vector<std::string>> recordCalls(const std::string& text, const std::string& recordBat) {
    std::vector<std::vector<std::string>> calls;
    for (std::string l : split(text, "\r\n")) {
        if (l.starts_with("if errorlevel 1 ")) l = l.substr(16);
        if (l.starts_with("if ") && l.find("\"==\"") != std::string::npos)
            l = l.substr(l.find('"', l.find("\"==\"") + 4) + 2);
        if (l.starts_with("call ")) l = l.substr(5);
        std::vector<std::string> w = split(l, " ");
        if (w.size() < 2 || w[0] != recordBat) continue;
        w.erase(w.begin());
        calls.push_back(w);
    }
    return calls;
}

// Each note the DOS side appends, run through RECORD.BAT's own lines, is one
// the program reads back as the outcome it means.
TEST(Handoff, WhatTheDosSideAppendsIsWhatTheProgramReads) {
    const std::string record = script("RECORD.BAT");
    const std::string recordBat = h::kRecordScript.text;

    // ghost.bat's calls: a restore with its image check and a backup call
    // every verb they use.
    job::JobRequest restore;
    restore.restoreChecked = true;
    restore.targetDrive = "C";
    restore.imagePath = "E:\\Ghost\\G_WinXP.gho";
    job::JobRequest backup = restore;
    backup.restoreChecked = false;
    backup.backupChecked = true;
    std::map<std::string, Read> verbs;
    std::string restart;
    for (const job::JobRequest& request : {restore, backup}) {
        job::GhostVolume c, e;
        c.letter = 'C';
        e.letter = 'E';
        const std::string bat = *job::planGhost(request, c, e).batText();
        for (const std::vector<std::string>& call : recordCalls(bat, recordBat)) {
            ASSERT_EQ(call.size(), 1u) << bat;
            verbs[call[0]] = readBack(appendedBy(record, call));
        }
        restart = split(bat, "\r\n").back();
    }
    using job::Outcome;
    Read checked = ghostRead(Outcome::None);
    checked.imageCheck = 25;
    EXPECT_EQ(verbs, (std::map<std::string, Read>{{h::kVerbStarted, ghostRead(Outcome::Started)},
                                                   {h::kVerbExit, ghostRead(Outcome::Exited, 25)},
                                                   {h::kVerbCheck, ghostRead(Outcome::CheckFailed, 25)},
                                                   {h::kVerbDone, ghostRead(Outcome::Exited, 0)},
                                                   {h::kVerbVerified, checked}}));
    // ghost.bat calls RECORD.BAT on the image's drive A:, and ends with the
    // image's restart, which RECORD.BAT's verbs after Ghost also make.
    ASSERT_TRUE(recordBat.starts_with("a:\\"));
    EXPECT_EQ(mtype(kGen / "DosImage.bin", upper(recordBat.substr(3))), record);
    EXPECT_EQ(mtype(kGen / "DosImage.bin", upper(restart) + ".COM"), readAll(kStandins / "RESTART.COM"));
    for (const char* verb : {h::kVerbExit, h::kVerbCheck, h::kVerbVerified})
        EXPECT_EQ(after(record, std::string("if \"%1\"==\"") + verb + "\" " + restart), "") << verb;

    // VOLUMES.BAT's and VOLSTOP.BAT's calls: what it found, or why it found nothing.
    std::vector<Read> volumes;
    for (std::vector<std::string> call : recordCalls(script("VOLUMES.BAT") + "\r\n" + script("VOLSTOP.BAT"), recordBat)) {
        for (std::string& word : call)
            for (const auto& [var, value] : {std::pair<std::string, std::string>{"%tgt%", "1:1"}, {"%img%", "2:1"}, {"%v%", "3"}})
                if (word == var) word = value;
        volumes.push_back(readBack(appendedBy(record, call)));
    }
    EXPECT_EQ(volumes, (std::vector<Read>{volumesRead(job::VolumesFound::Found, -1, "1:1 2:1"),
                                         volumesRead(job::VolumesFound::Differ, -1, "1:1 2:1"),
                                         volumesRead(job::VolumesFound::Same, -1, "1:1 2:1"),
                                         volumesRead(job::VolumesFound::Refused, 3, "")}));

    // MENU.BAT's calls: call a:\record.bat dos WORD.
    std::set<job::Outcome> told;
    for (const std::vector<std::string>& call : recordCalls(script("MENU.BAT"), recordBat)) {
        ASSERT_EQ(call.size(), 2u);
        const job::Outcome what = readBack(appendedBy(record, call)).outcome;
        EXPECT_NE(what, job::Outcome::None) << call[1];
        told.insert(what);
    }
    EXPECT_EQ(told, (std::set<job::Outcome>{job::Outcome::Found, job::Outcome::Unrecorded, job::Outcome::NoRam,
                                            job::Outcome::NoMenu, job::Outcome::Skipped}));
}

// ghost.bat hands its volumes to the image's VOLUMES.BAT and runs Ghost with
// the variables VOLUMES.BAT sets: the same names on both sides, and the
// marks for a volume without a serial are the ones VOLUMES.BAT knows.
TEST(Handoff, GhostBatAndVolumesBatAgreeOnTheVolumesAndTheVariables) {
    const std::string volumes = script("VOLUMES.BAT");
    job::JobRequest restore;
    restore.restoreChecked = true;
    restore.targetDrive = "C";
    restore.imagePath = "E:\\Ghost\\G_WinXP.gho";
    job::GhostVolume c, e;
    c.letter = 'C';
    c.disk = job::GhostVolume::Disk::Boot;
    e.letter = 'E';
    e.serial = 0x5E5E0003u;
    e.disk = job::GhostVolume::Disk::Later;
    e.partition = 1;
    const std::string bat = *job::planGhost(restore, c, e).batText();
    const std::vector<std::string> call = split(split(bat, "\r\n")[0], " ");
    ASSERT_EQ(call.size(), 8u) << bat;
    EXPECT_EQ(call[0], "call");
    ASSERT_TRUE(call[1].starts_with("a:\\"));
    EXPECT_EQ(mtype(kGen / "DosImage.bin", upper(call[1].substr(3))), volumes);
    EXPECT_EQ(std::vector<std::string>(call.begin() + 2, call.end()),
              (std::vector<std::string>{h::kCopyJob, "5E5E-0003", "1", "?", "+", "1"}));
    // "if "%1"=="job" set vt=%s%:": the drive of the job's record, and of its outcome copy.
    EXPECT_EQ(linesStarting(volumes, std::string("if \"%1\"==\"") + h::kCopyJob + "\" set vt=%s%:").size(), 1u);
    EXPECT_EQ(linesStarting(volumes, std::string("if \"%2\"==\"") + h::kCopyOutcome + "\" set vi=%o%:").size(), 1u);
    // VOLSCAN.COM gives the numbers as the variables the command lines use.
    const std::string scan = after(volumes, "volscan z:\\numbers.bat ");
    EXPECT_EQ(scan, std::string(h::kTargetNumberVariable) + "=%vt% " + h::kImageNumberVariable + "=%vi%");
    const std::string stop = script("VOLSTOP.BAT");
    for (const char* var : {h::kTargetNumberVariable, h::kImageNumberVariable}) {
        EXPECT_NE(bat.find(std::string("%") + var + "%"), std::string::npos) << var;
        EXPECT_EQ(linesStarting(volumes, std::string("set ") + var + "=").size(), 1u) << var << ": cleared first";
        EXPECT_EQ(linesStarting(stop, std::string("set ") + var + "=").size(), 1u) << var << ": cleared after a refusal";
    }
    // Without sure numbers VOLUMES.BAT hands over to the image's VOLSTOP.BAT,
    // which ends with the restart: Ghost never runs.
    EXPECT_NE(volumes.find(std::string(" ") + h::kVolumesStopScript.text + " "), std::string::npos);
    EXPECT_EQ(mtype(kGen / "DosImage.bin", upper(std::string(h::kVolumesStopScript.text).substr(3))), stop);
    EXPECT_EQ(split(stop, "\r\n").back(), h::kRestart);
}

// ---- A source that names what the hand-off lacks ------------------------------------

// A copy of payloads/dos with one line added to one file.
fs::path sourcesWith(const TempDir& tmp, const std::string& file, const std::string& line) {
    const fs::path dir = tmp / "payloads";
    fs::create_directories(dir / "dos");
    for (const auto& e : fs::directory_iterator(kSource / "dos")) fs::copy_file(e.path(), dir / "dos" / e.path().filename());
    writeAll(dir / "dos" / file, line + readAll(kSource / "dos" / file));
    return dir;
}

TEST(HandoffFill, AnUndefinedPlaceholderStopsTheBuildWithItsNameAndFile) {
    struct Case {
        std::string file, line, tool, says;
    };
    const Case cases[] = {
        {"MENU.BAT", "@echo off\r\ncall {record-bat} dos {dos.lost}\r\n", "mkimage",
         "MENU.BAT line 2: unknown placeholder {dos.lost}"},
        {"DRIVE.BAT", "set x={record\r\n", "mkimage", "DRIVE.BAT line 1: \"{\" without \"}\" on its line"},
        {"TOKEN.BAT", "{Token}\r\n", "embed", "TOKEN.BAT line 1: unknown placeholder {Token}"},
        {"preset_menu.lst", "find /{image.name}\n", "patchldr", "preset_menu.lst line 1: unknown placeholder {image.name}"},
    };
    for (const Case& c : cases) {
        TempDir tmp;
        const fs::path src = sourcesWith(tmp, c.file, c.line);
        std::string command;
        if (c.tool == "mkimage")
            command = kMkimage + " --scripts " + quote(src / "dos") + " --restart " + quote(kStandins / "RESTART.COM") +
                      " --jobtool " + quote(kStandins / "JOBTOOL.COM") + " --volscan " +
                      quote(kStandins / "VOLSCAN.COM") + " --boot-sector " +
                      quote(kStandins / "bootsect.bin") + " --out " + quote(tmp / "out.img");
        else if (c.tool == "patchldr")
            command = kPatchldr + " " + quote(src / "dos/preset_menu.lst") + " " + quote(kStandins / "grldr") + " " +
                      quote(tmp / "loader");
        else
            command = kEmbed + " --source " + quote(src) + " --standins " + quote(kStandins) + " --supplied " +
                      quote(tmp / "none") + " --out " + quote(tmp / "out");
        std::string out;
        EXPECT_EQ(run(command, out), 1) << c.tool << " " << c.file << "\n" << out;
        EXPECT_NE(out.find(c.says), std::string::npos) << c.tool << ": " << out;
        EXPECT_NE(out.find((src / "dos" / c.file).string()), std::string::npos) << "names the file: " << out;
        EXPECT_FALSE(fs::exists(tmp / "out.img") || fs::exists(tmp / "loader") || fs::exists(tmp / "out/DosImage.bin"))
            << c.tool << " wrote its output";
    }
}

}  // namespace
}  // namespace trivex::test
