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
#include "job/handoff.h"
#include "job/job_files.h"
#include "job/record.h"
#include "payloads/store.h"

namespace trivex::job {
// For the tests' messages.
void PrintTo(Outcome o, std::ostream* os) { *os << "Outcome(" << static_cast<int>(o) << ")"; }
}  // namespace trivex::job

namespace trivex::test {
namespace {

namespace h = job::handoff;

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

bool isLineOf(const std::string& record, const std::string& line) {
    const std::vector<std::string> lines = split(record, "\r\n");
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

job::JobRecord jobRecord(bool outcomeCopy, job::BootRoute route) {
    job::JobRecord r;
    r.token = kToken;
    r.outcomeCopy = outcomeCopy;
    r.kind = job::JobKind::Restore;
    r.route = route;
    r.prepared = "2026-12-07 18:43:30";
    r.image = "E:\\Ghost\\G_WinXP.gho";
    for (const job::JobFile& f : job::kJobFiles)
        if (job::writtenOn(f, route)) r.wrote.push_back(f.name);
    r.aside = {job::jobFile(job::JobFileId::Loader).name};
    return r;
}

// The environment variable TOKEN.BAT sets: "set VAR=????????????????".
std::string tokenVariable() {
    const std::string line = split(script("TOKEN.BAT"), "\r\n")[0];
    return line.substr(4, line.find('=') - 4);
}

TEST(Handoff, TheDosSideKnowsTheJobByTheLinesOfTheProgramsRecord) {
    const std::string job = job::recordText(jobRecord(false, job::BootRoute::BootIni));
    const std::string outcome = job::recordText(jobRecord(true, job::BootRoute::BootIni));
    const std::string var = "%" + tokenVariable() + "%";
    const std::vector<std::string> checks = linesStarting(script("DRIVE.BAT"), "jobtool line %1:\\");
    ASSERT_EQ(checks.size(), 2u) << script("DRIVE.BAT");
    for (size_t i = 0; i < 2; ++i) {
        // "jobtool line %1:\RECORD token=%token% copy=job": the words, the token in place.
        std::vector<std::string> words = split(checks[i].substr(std::string("jobtool line %1:\\").size()), " ");
        ASSERT_EQ(words.size(), 3u) << checks[i];
        EXPECT_EQ(upper(words[0]), nameOf(job::kJobRecord)) << checks[i];
        ASSERT_NE(words[1].find(var), std::string::npos) << checks[i];
        words[1].replace(words[1].find(var), var.size(), kToken);
        const std::string& mine = i == 0 ? job : outcome;
        const std::string& other = i == 0 ? outcome : job;
        EXPECT_TRUE(isLineOf(mine, words[1]) && isLineOf(mine, words[2])) << checks[i] << "\n" << mine;
        EXPECT_FALSE(isLineOf(other, words[2])) << checks[i] << " does not tell the two copies apart";
    }
    // The job drive holds the job's image and ghost.bat.
    const std::set<std::string> beside = {nameOf(job::kVemoImg), nameOf(job::kGhostBat)};
    std::set<std::string> checked;
    for (const std::string& l : linesStarting(script("DRIVE.BAT"), "if not exist %1:\\"))
        checked.insert(upper(split(l.substr(std::string("if not exist %1:\\").size()), " ")[0]));
    EXPECT_EQ(checked, beside);
    EXPECT_EQ(linesStarting(script("MENU.BAT"), "set " + tokenVariable() + "=").size(), 1u)
        << "MENU.BAT clears the token's variable";
}

TEST(Handoff, TheBootMenuComesBackOnlyOnTheRouteTheRecordNamesAndByTheProgramsNames) {
    const std::string menu = script("MENU.BAT");
    // "jobtool line %s%:\RECORD route=boot.ini", then "jobtool line %s%:\boot.bak": the saved menu is there.
    std::string routeLine, saved;
    for (const std::string& l : linesStarting(menu, "jobtool line %s%:\\")) {
        const std::vector<std::string> w = split(l, " ");
        if (w.size() == 4 && upper(w[2]) == "%S%:\\" + nameOf(job::kJobRecord)) routeLine = w[3];
        if (w.size() == 3) saved = upper(w[2]);
    }
    ASSERT_FALSE(routeLine.empty()) << menu;
    EXPECT_EQ(saved, "%S%:\\" + nameOf(job::kBootBak));
    EXPECT_TRUE(isLineOf(job::recordText(jobRecord(false, job::BootRoute::BootIni)), routeLine)) << routeLine;
    EXPECT_FALSE(isLineOf(job::recordText(jobRecord(false, job::BootRoute::BootStore)), routeLine)) << routeLine;

    // The renames, in their order: the redirected menu aside, the saved one back.
    const std::vector<std::string> renames = linesStarting(menu, "jobtool ren %s%:\\");
    ASSERT_EQ(renames.size(), 3u) << menu;
    const auto pair = [](const char* from, const char* to) {
        return "JOBTOOL REN %S%:\\" + nameOf(from) + " " + nameOf(to);
    };
    EXPECT_EQ(upper(renames[0]), pair(job::kBootIni, job::kBootIniAside));
    EXPECT_EQ(upper(renames[1]), pair(job::kBootBak, job::kBootIni));
    EXPECT_EQ(upper(renames[2]), pair(job::kBootIniAside, job::kBootIni));  // put back when that fails
}

TEST(Handoff, TheDosSideDeletesAndPutsBackExactlyTheFilesTheRecordCanList) {
    const std::string menu = script("MENU.BAT");
    std::set<std::string> all, aside;
    for (const job::JobFile& f : job::kJobFiles) {
        all.insert(f.name);
        if (f.setAsideAs) {
            aside.insert(f.name);
            // JOBFILE.BAT gives NAME.bak its name back: the name the job set it aside as.
            EXPECT_EQ(nameOf(f.setAsideAs), upper(std::string(f.name) + h::kAsideSuffix));
        }
    }
    // for %%f in (NAMES) do call a:\jobfile.bat KEY %%f
    std::map<std::string, std::set<std::string>> lists;
    for (const std::string& l : linesStarting(menu, "for %%f in (")) {
        const std::string names = l.substr(12, l.find(')') - 12);
        const std::vector<std::string> call = split(l.substr(l.find(") do ") + 5), " ");
        ASSERT_EQ(call.size(), 4u) << l;
        EXPECT_EQ(call[1], "a:\\jobfile.bat") << l;
        const std::vector<std::string> n = split(names, " ");
        lists[call[2]] = std::set<std::string>(n.begin(), n.end());
    }
    EXPECT_EQ(lists[h::kKeyWrote], all);
    EXPECT_EQ(lists[h::kKeyAside], aside);
    // JOBFILE.BAT KEY NAME looks for "KEY=NAME" in the record: lines the program writes.
    const std::vector<std::string> look = linesStarting(script("JOBFILE.BAT"), "jobtool line %s%:\\");
    ASSERT_FALSE(look.empty()) << script("JOBFILE.BAT");
    EXPECT_EQ(upper(look[0]), "JOBTOOL LINE %S%:\\" + nameOf(job::kJobRecord) + " %1=%2");
    const std::string record = job::recordText(jobRecord(false, job::BootRoute::BootStore));  // writes every file
    for (const std::string& name : all) EXPECT_TRUE(isLineOf(record, std::string(h::kKeyWrote) + "=" + name)) << name;
    EXPECT_TRUE(isLineOf(record, std::string(h::kKeyAside) + "=" + job::jobFile(job::JobFileId::Loader).name));
    EXPECT_EQ(linesStarting(script("JOBFILE.BAT"), std::string("if \"%1\"==\"") + h::kKeyAside + "\"").size(), 1u);
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
    const std::string outcome = job::recordText(jobRecord(true, job::BootRoute::BootIni));
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
                                            job::Outcome::NoMenu}));
}

TEST(Handoff, TheJobsTokenTakesThePlaceholdersPlaceAndTheLoaderFindsTheImage) {
    std::string image = readAll(kGen / "DosImage.bin");
    const size_t at = payloads::tokenPlace({image.data(), static_cast<uint32_t>(image.size())});
    ASSERT_NE(at, std::string::npos);
    image.replace(at, payloads::kTokenLength, kToken);
    TempDir tmp;
    writeAll(tmp / "job.img", image);
    EXPECT_EQ(mtype(tmp / "job.img", "TOKEN.BAT"), "set " + tokenVariable() + "=" + kToken + "\r\n");

    // find --set-root /NAME and map --mem /NAME (fd0): the image's name as the job writes it.
    const std::string loader = readAll(kGen / "Loader.bin");
    const std::string name = std::string(job::kVemoImg).substr(3);
    EXPECT_NE(loader.find("find --set-root /" + name + "\n"), std::string::npos);
    EXPECT_NE(loader.find("map --mem /" + name + " (fd0)\n"), std::string::npos);
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
        {"RECORD.BAT", "rem {verb.sing}\r\n", "mkimage", "RECORD.BAT line 1: unknown placeholder {verb.sing}"},
        {"MENU.BAT", "@echo off\r\ncall {record-bat} dos {dos.lost}\r\n", "mkimage",
         "MENU.BAT line 2: unknown placeholder {dos.lost}"},
        {"DRIVE.BAT", "set x={record\r\n", "mkimage", "DRIVE.BAT line 1: \"{\" without \"}\" on its line"},
        {"TOKEN.BAT", "{Token}\r\n", "embed", "TOKEN.BAT line 1: unknown placeholder {Token}"},
        {"preset_menu.lst", "find /{image.name}\n", "patchldr", "preset_menu.lst line 1: unknown placeholder {image.name}"},
        {"preset_menu.lst", "find /{image.name}\n", "embed", "preset_menu.lst line 1: unknown placeholder {image.name}"},
    };
    for (const Case& c : cases) {
        TempDir tmp;
        const fs::path src = sourcesWith(tmp, c.file, c.line);
        std::string command;
        if (c.tool == "mkimage")
            command = kMkimage + " --scripts " + quote(src / "dos") + " --restart " + quote(kStandins / "RESTART.COM") +
                      " --jobtool " + quote(kStandins / "JOBTOOL.COM") + " --boot-sector " +
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
