// The two Ghost command lines of a job (backup: dump a partition into an
// image file; restore: load an image file onto a partition) and the text of
// C:\ghost.bat. The DOS side runs ghost.bat from its RAM disk, so Ghost is
// named without a path and partitions go by Ghost's disk:partition numbers.
#pragma once

#include <optional>

#include "app/state.h"
#include "platform/platform.h"

namespace trivex {
class App;
}

namespace trivex::job {

// What the command texts are built from, as the main window shows it.
struct CommandInputs {
    Text selectedDrive;            // letter of the chosen partition, "C"
    Text imagePath;                // 编辑框1, "E:\Ghost\G_WinXP.gho"
    int64_t compressionIndex = 0;  // 压缩组合框: 0-2, -1 when nothing is selected
    bool ignoreCrc = false;        // CRC选择框
};

// What C:\ghost.bat runs, by the window's state (manual Ghost first, then
// the restore radio button, then the backup radio button).
enum class JobKind { Manual, Restore, Backup, None };

// Ghost partition number on disk 1 of a drive letter: "C" 1, "D" 2, "E" 3,
// "F" 4, "G" 5. Any other text (lower case included) has none: 0.
int partitionNumber(const Text& letter);
// Partition number of the drive an image path starts with. Only a path
// with a drive ("E:...") has one; a bare file name has none (0).
int imagePartitionOf(const Text& imagePath);
// The image path without its two-byte drive prefix ("\Ghost\G_WinXP.gho").
Text pathTail(const Text& imagePath);

Text backupCommandText(int systemPartition, int imagePartition, const Text& tail, int compressionLevel);
Text restoreCommandText(int systemPartition, int imagePartition, const Text& tail, const Text& crcOption);

CommandInputs readCommandInputs(App& app);
// Rebuilds every value and both command texts in `state`. A letter without
// a partition number sets that number to 0, so no number of an earlier job
// survives; a compression index of -1 keeps the previous level.
void buildCommandTexts(ProgramState& state, const CommandInputs& in);

JobKind jobKind(App& app);
// The content of C:\ghost.bat: "ghost.exe" (Ghost starts interactively),
// the restore command or the backup command; nothing when no mode is chosen.
std::optional<Text> ghostBatText(App& app);

}  // namespace trivex::job
