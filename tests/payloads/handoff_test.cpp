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
    // TOKEN.BAT: "set VAR=????????????????"; DRIVE.BAT: "jobtool line %1:\RECORD token=%VAR% copy=job".
    const std::string tokenLine = script("TOKEN.BAT");
    const std::string var = "%" + tokenLine.substr(4, tokenLine.find('=') - 4) + "%";
    const std::string look = "jobtool line %1:\\", exists = "if not exist %1:\\";
    const std::vector<std::string> checks = linesStarting(script("DRIVE.BAT"), look);
    ASSERT_EQ(checks.size(), 2u) << script("DRIVE.BAT");
    for (size_t i = 0; i < 2; ++i) {
        std::vector<std::string> words = split(checks[i].substr(look.size()), " ");
        ASSERT_EQ(words.size(), 3u) << checks[i];
        EXPECT_EQ(upper(words[0]), nameOf(job::kJobRecord)) << checks[i];
        ASSERT_NE(words[1].find(var), std::string::npos) << checks[i];
        words[1].replace(words[1].find(var), var.size(), kToken);
        const std::string mine = recordOf(i == 1), other = recordOf(i == 0);  // the job copy first
        EXPECT_TRUE(isLineOf(mine, words[1]) && isLineOf(mine, words[2])) << checks[i] << "\n" << mine;
        EXPECT_FALSE(isLineOf(other, words[2])) << checks[i] << " does not tell the two copies apart";
    }
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
    EXPECT_EQ(renames, (std::vector<std::string>{ren(job::kBootIni, job::kBootIniAside), ren(job::kBootBak, job::kBootIni),
                                                 ren(job::kBootIniAside, job::kBootIni)}));

    // "for %%f in (NAMES) do call a:\jobfile.bat KEY %%f": every job file the record may list
    // as written, and those a user's file may wait aside for (as NAME.bak).
    std::map<std::string, std::set<std::string>> lists, expected;
    for (const std::string& l : linesStarting(menu, "for %%f in (")) {
        const std::vector<std::string> names = split(l.substr(12, l.find(')') - 12), " "), words = split(l, " ");
        lists[words[words.size() - 2]] = {names.begin(), names.end()};
    }
    for (const job::JobFile& f : job::kJobFiles) {
        expected[h::kKeyWrote].insert(f.name);
        if (!f.setAsideAs) continue;
        expected[h::kKeyAside].insert(f.name);
        EXPECT_EQ(nameOf(f.setAsideAs), upper(std::string(f.name) + h::kAsideSuffix));
    }
    EXPECT_EQ(lists, expected);
    // JOBFILE.BAT KEY NAME looks for the record's line KEY=NAME.
    EXPECT_EQ(upper(linesStarting(script("JOBFILE.BAT"), "jobtool line")[0]),
              "JOBTOOL LINE %S%:\\" + nameOf(job::kJobRecord) + " %1=%2");
}

// Each note the DOS side appends, run through RECORD.BAT's own lines, is one
// the program reads back as the outcome it means.
TEST(Handoff, WhatTheDosSideAppendsIsWhatTheProgramReads) {
    const std::string record = script("RECORD.BAT");
    // if "%1"=="VERB" echo TEXT>>%o%:\RECORD
    const auto noted = [&](const std::string& verb, const std::string& arg2) -> std::string {
        const std::string text = after(record, "if \"%1\"==\"" + verb + "\" echo ");
        const size_t to = text.find(">>%o%:\\");
        EXPECT_NE(to, std::string::npos) << text;
        if (to == std::string::npos) return "";
        EXPECT_EQ(upper(text.substr(to + 7)), nameOf(job::kJobRecord));
        std::string line = text.substr(0, to);
        for (const auto& [var, value] : {std::pair<std::string, std::string>{"%e%", "25"}, {"%2", arg2}})
            if (const size_t at = line.find(var); at != std::string::npos) line.replace(at, var.size(), value);
        return line + "\r\n";
    };
    const std::string outcome = recordOf(true);
    const auto read = [&](const std::string& line) {
        const std::optional<job::JobRecord> r = job::parseRecord(outcome + line);
        return r ? std::pair{r->outcome, r->exitCode} : std::pair{job::Outcome::None, -2};
    };

    // ghost.bat's calls: a restore with its image check calls every verb it uses.
    job::JobRequest restore;
    restore.restoreChecked = true;
    restore.imagePath = "E:\\Ghost\\G_WinXP.gho";
    const std::string bat = *job::planGhost(restore, 1, 3).batText();
    std::map<std::string, std::pair<job::Outcome, int>> verbs;
    std::string called;
    for (std::string l : split(bat, "\r\n")) {
        if (l.starts_with("call ")) l = l.substr(5);
        const std::vector<std::string> w = split(l, " ");
        if (w.size() != 2 || !w[0].ends_with(".bat")) continue;
        called = w[0];
        verbs[w[1]] = read(noted(w[1], ""));
    }
    EXPECT_EQ(verbs, (std::map<std::string, std::pair<job::Outcome, int>>{
                         {h::kVerbStarted, {job::Outcome::Started, -1}},
                         {h::kVerbExit, {job::Outcome::Exited, 25}},
                         {h::kVerbCheck, {job::Outcome::CheckFailed, 25}}}))
        << bat;
    // ghost.bat calls RECORD.BAT on the image's drive A:, and ends with the image's restart.
    ASSERT_TRUE(called.starts_with("a:\\")) << bat;
    EXPECT_EQ(mtype(kGen / "DosImage.bin", upper(called.substr(3))), record);
    const std::string restart = split(bat, "\r\n").back();
    EXPECT_EQ(mtype(kGen / "DosImage.bin", upper(restart) + ".COM"), readAll(kStandins / "RESTART.COM"));
    for (const char* verb : {h::kVerbExit, h::kVerbCheck})
        EXPECT_EQ(after(record, std::string("if \"%1\"==\"") + verb + "\" " + restart), "") << verb;

    // MENU.BAT's calls: call a:\record.bat dos WORD.
    std::set<job::Outcome> told;
    for (const std::string& l : linesStarting(script("MENU.BAT"), "call " + called + " ")) {
        const std::vector<std::string> w = split(l, " ");
        ASSERT_EQ(w.size(), 4u) << l;
        const job::Outcome what = read(noted(w[2], w[3])).first;
        EXPECT_NE(what, job::Outcome::None) << l;
        told.insert(what);
    }
    EXPECT_EQ(told, (std::set<job::Outcome>{job::Outcome::Found, job::Outcome::Unrecorded, job::Outcome::NoRam,
                                            job::Outcome::NoMenu, job::Outcome::Skipped}));
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
