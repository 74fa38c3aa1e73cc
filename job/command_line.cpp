#include "job/command_line.h"

#include "app/app.h"
#include "platform/text.h"
#include "ui/names.h"

namespace trivex::job {

namespace {
constexpr WindowId kMain = WindowId::Main;
constexpr char kManualGhostBat[] = "ghost.exe";
}  // namespace

int partitionNumber(const Text& letter) {
    static const char* const kLetters[] = {"C", "D", "E", "F", "G"};
    for (int i = 0; i < 5; ++i)
        if (letter == kLetters[i]) return i + 1;
    return 0;
}

int imagePartitionOf(const Text& imagePath) {
    if (imagePath.size() < 2 || imagePath[1] != ':') return 0;
    return partitionNumber(imagePath.substr(0, 1));
}

Text pathTail(const Text& imagePath) {
    // The count is worked out as length - 2.0 and cut toward zero.
    const double count = static_cast<double>(text::length(imagePath)) - 2.0;
    return text::right(imagePath, static_cast<int64_t>(count));
}

Text backupCommandText(int systemPartition, int imagePartition, const Text& tail, int compressionLevel) {
    return "Ghost.exe -nousb -clone,mode=pdump,src=1:" + text::toText(int32_t{systemPartition}) + ",dst=1:" +
           text::toText(int32_t{imagePartition}) + tail + " -sure -fro -rb -z" +
           text::toText(int32_t{compressionLevel}) + "\r\nrestart";
}

Text restoreCommandText(int systemPartition, int imagePartition, const Text& tail, const Text& crcOption) {
    return "Ghost.exe -nousb -clone,mode=pload,src=1:" + text::toText(int32_t{imagePartition}) + tail +
           ":1,dst=1:" + text::toText(int32_t{systemPartition}) + " " + crcOption + " -sure -rb\r\nrestart";
}

CommandInputs readCommandInputs(App& app) {
    Platform& p = app.platform;
    CommandInputs in;
    in.selectedDrive = app.state.selectedDrive;
    in.imagePath = p.getText(kMain, ctl::编辑框1);
    in.compressionIndex = p.getProp(kMain, ctl::压缩组合框, Prop::CurrentIndex);
    in.ignoreCrc = p.getProp(kMain, ctl::CRC选择框, Prop::Checked) != 0;
    return in;
}

void buildCommandTexts(ProgramState& s, const CommandInputs& in) {
    s.systemPartition = partitionNumber(in.selectedDrive);
    s.imagePartition = imagePartitionOf(in.imagePath);
    if (in.compressionIndex >= 0 && in.compressionIndex <= 2) s.compressionLevel = static_cast<int>(in.compressionIndex) + 1;
    s.crcOption = in.ignoreCrc ? "-crcignore" : "";
    s.imagePathLength = static_cast<int>(text::length(in.imagePath));
    s.backupCommand = backupCommandText(s.systemPartition, s.imagePartition, pathTail(in.imagePath), s.compressionLevel);
    s.restoreCommand = restoreCommandText(s.systemPartition, s.imagePartition, pathTail(in.imagePath), s.crcOption);
}

JobKind jobKind(App& app) {
    Platform& p = app.platform;
    if (p.getProp(kMain, ctl::手动选择框, Prop::Checked)) return JobKind::Manual;
    if (p.getProp(kMain, ctl::还原单选框, Prop::Checked)) return JobKind::Restore;
    if (p.getProp(kMain, ctl::备份单选框, Prop::Checked)) return JobKind::Backup;
    return JobKind::None;
}

std::optional<Text> ghostBatText(App& app) {
    switch (jobKind(app)) {
        case JobKind::Manual: return Text(kManualGhostBat);
        case JobKind::Restore: return app.state.restoreCommand;
        case JobKind::Backup: return app.state.backupCommand;
        case JobKind::None: break;
    }
    return std::nullopt;
}

}  // namespace trivex::job
