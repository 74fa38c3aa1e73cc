// The DOS side's sources (payloads/dos/: the boot image's scripts and the
// loader's command list) name what the program and the DOS side must agree
// on by placeholders: {record} in a script is the record's file name as the
// DOS side writes it, {key.token} the record's token key. The build fills
// them in from the hand-off (payloads/handoff.h) as it reads the sources, so the
// image and the loader hold the program's own values.
//
// A placeholder is a name between braces on one line. The names:
//   files:   {record} {outcome} {loader} {loader-mbr} {ghost-bat} {ghost-exe}
//            {image} {menu} {menu-saved} {menu-aside} {menu-new}: the file's
//            name in lower case, as the record and the DOS side name it; with
//            a capital first letter ({Record}, {Image}) as the program writes
//            it in C:\. {job-files}: every job file's name,
//            {job-files-but-image}: all but the boot image's, {aside-files}:
//            those a user's file may wait aside for, each in name order,
//            separated by spaces; {aside-ext}: what the waiting file's name adds.
//   record:  {key.token} ... {key.ghost}, {key.menu-line} {key.menu-was}
//            {key.menu-saved}; {copy.job} {copy.outcome}
//            {kind.restore} ... {route.boot-ini} {route.store}
//            {dos.found} {dos.no-menu} {dos.no-ram} {dos.unrecorded}
//            {ghost.started} {ghost.exit} {ghost.check-failed}
//   token:   {token}: the variable that holds it; {token.placeholder}: the
//            line the job writes its token into
//   ghost.bat's calls: {record-bat} (the path it calls RECORD.BAT by),
//            {verb.started} {verb.exit} {verb.check} {verb.dos}, {restart}
#pragma once

#include <map>
#include <string>

#include "bytes.h"

namespace trivex::tools {

// Every placeholder name with its value.
const std::map<std::string, std::string>& handoffValues();

// `source` with every placeholder replaced by its value. False, with a
// message that names `file`, the line and the placeholder, when a name is
// none of handoffValues() or a "{" has no "}" on its line.
bool fillHandoff(const Bytes& source, const std::string& file, Bytes& out, std::string& err);

// Reads the source file at `path` and fills it in.
bool readHandoffSource(const std::string& path, Bytes& out, std::string& err);

}  // namespace trivex::tools
