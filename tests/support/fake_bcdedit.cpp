#include "tests/support/fake_bcdedit.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "tests/support/sim_machine.h"

namespace trivex::sim {
namespace {

using Args = std::vector<Text>;

Text lower(Text s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool isGuid(const Text& s) {
    static const char kShape[] = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    if (s.size() != sizeof kShape - 1) return false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (kShape[i] == 'x' ? !std::isxdigit(static_cast<unsigned char>(s[i])) : s[i] != kShape[i]) return false;
    }
    return true;
}

// Well-known identifiers that stand for one fixed entry.
struct WellKnown {
    const char* name;
    const char* guid;
};
constexpr WellKnown kWellKnown[] = {
    {"{bootmgr}", FakeBcdStore::kBootManager},
    {"{memdiag}", FakeBcdStore::kMemoryTester},
    {"{globalsettings}", "{7ea2e1ac-2e61-4728-aaa3-896d9d0a9f0e}"},
    {"{bootloadersettings}", "{6efb52bf-1766-41db-a6b3-0ee5eff72bd7}"},
    {"{resumeloadersettings}", "{1afa9c49-16ab-4a5c-901b-212802da9460}"},
    {"{ntldr}", "{466f5a88-0af2-4f76-9038-095b170dc21c}"},
};

struct KindInfo {
    FakeBcdStore::Kind kind;
    const char* word;     // in the saved store
    const char* heading;  // in /enum
};
constexpr KindInfo kKinds[] = {
    {FakeBcdStore::Kind::BootManager, "bootmgr", "Windows 启动管理器"},
    {FakeBcdStore::Kind::OsLoader, "osloader", "Windows 启动加载器"},
    {FakeBcdStore::Kind::BootSector, "bootsector", "实模式启动扇区"},
    {FakeBcdStore::Kind::Resume, "resume", "从休眠状态恢复"},
    {FakeBcdStore::Kind::MemoryTester, "memdiag", "Windows 内存测试程序"},
};

const KindInfo& infoOf(FakeBcdStore::Kind k) {
    for (const KindInfo& i : kKinds)
        if (i.kind == k) return i;
    return kKinds[0];
}

// The answers of the Simplified Chinese edition.
const char kDone[] = "操作成功完成。\r\n";
const char kCannotOpen[] = "无法打开启动配置数据存储。\r\n拒绝访问。\r\n";
const char kNoSuchEntry[] = "尝试引用指定项时出错。\r\n系统找不到指定的文件。\r\n";
const char kNoSuchElement[] = "删除元素时出错。\r\n找不到元素。\r\n";
const char kBadArguments[] =
    "此命令行上指定的参数无效。\r\n运行 \"bcdedit /?\" 获得命令行帮助。\r\n参数错误。\r\n";

ToolAnswer ok(Text output = kDone) { return {0, std::move(output)}; }
ToolAnswer failed(const char* output) { return {1, output}; }

constexpr size_t kKeyColumn = 24;  // values start in this column

Text keyed(const Text& key, const Text& value) {
    Text line = key;
    line.append(key.size() < kKeyColumn ? kKeyColumn - key.size() : 1, ' ');
    return line + value + "\r\n";
}

const std::vector<Text>* valuesOf(const FakeBcdStore::Entry& e, const Text& element) {
    for (const FakeBcdStore::Element& el : e.elements)
        if (el.name == element) return &el.values;
    return nullptr;
}

void setValues(FakeBcdStore::Entry& e, const Text& element, std::vector<Text> values) {
    for (FakeBcdStore::Element& el : e.elements)
        if (el.name == element) {
            el.values = std::move(values);
            return;
        }
    e.elements.push_back({element, std::move(values)});
}

bool eraseElement(FakeBcdStore::Entry& e, const Text& element) {
    const auto it = std::find_if(e.elements.begin(), e.elements.end(),
                                 [&](const FakeBcdStore::Element& el) { return el.name == element; });
    if (it == e.elements.end()) return false;
    e.elements.erase(it);
    return true;
}

}  // namespace

std::vector<Text> splitArguments(const Text& arguments) {
    std::vector<Text> out;
    Text piece;
    bool quoted = false, inPiece = false;
    for (char c : arguments) {
        if (c == '"') {
            quoted = !quoted;
            inPiece = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inPiece) out.push_back(piece);
            piece.clear();
            inPiece = false;
        } else {
            piece += c;
            inPiece = true;
        }
    }
    if (inPiece) out.push_back(piece);
    return out;
}

FakeBcdStore FakeBcdStore::windows7() {
    FakeBcdStore s;
    const Text loader = "{b9a1f3c2-5e0d-11e0-8c4f-a4badbfc7a21}";
    const Text resume = "{b9a1f3c0-5e0d-11e0-8c4f-a4badbfc7a21}";
    s.current_ = loader;
    s.entries_ = {
        {kBootManager,
         Kind::BootManager,
         {{"device", {"partition=\\Device\\HarddiskVolume1"}},
          {"description", {"Windows Boot Manager"}},
          {"locale", {"zh-CN"}},
          {"inherit", {"{7ea2e1ac-2e61-4728-aaa3-896d9d0a9f0e}"}},
          {"default", {loader}},
          {"resumeobject", {resume}},
          {"displayorder", {loader}},
          {"toolsdisplayorder", {kMemoryTester}},
          {"timeout", {"30"}}}},
        {loader,
         Kind::OsLoader,
         {{"device", {"partition=C:"}},
          {"path", {"\\Windows\\system32\\winload.exe"}},
          {"description", {"Windows 7"}},
          {"locale", {"zh-CN"}},
          {"inherit", {"{6efb52bf-1766-41db-a6b3-0ee5eff72bd7}"}},
          {"recoveryenabled", {"No"}},
          {"osdevice", {"partition=C:"}},
          {"systemroot", {"\\Windows"}},
          {"resumeobject", {resume}},
          {"nx", {"OptIn"}}}},
        {resume,
         Kind::Resume,
         {{"device", {"partition=C:"}},
          {"path", {"\\Windows\\system32\\winresume.exe"}},
          {"description", {"Windows Resume Application"}},
          {"locale", {"zh-CN"}},
          {"inherit", {"{1afa9c49-16ab-4a5c-901b-212802da9460}"}},
          {"filedevice", {"partition=C:"}},
          {"filepath", {"\\hiberfil.sys"}},
          {"debugoptionenabled", {"No"}}}},
        {kMemoryTester,
         Kind::MemoryTester,
         {{"device", {"partition=\\Device\\HarddiskVolume1"}},
          {"path", {"\\boot\\memtest.exe"}},
          {"description", {"Windows 内存诊断"}},
          {"locale", {"zh-CN"}},
          {"inherit", {"{7ea2e1ac-2e61-4728-aaa3-896d9d0a9f0e}"}},
          {"badmemoryaccess", {"Yes"}}}},
    };
    return s;
}

ToolAnswer FakeBcdStore::run(const Text& arguments) {
    const int number = calls();
    log_.push_back(arguments);
    if (number == failCall_ || (!failWhen_.empty() && lower(arguments).find(lower(failWhen_)) != Text::npos))
        return failed(kCannotOpen);

    Args args = splitArguments(arguments);
    if (args.empty()) return enumerate({});
    const Text command = lower(args.front());
    args.erase(args.begin());
    if (command == "/create") return create(args);
    if (command == "/set") return set(args);
    if (command == "/deletevalue") return deleteValue(args);
    if (command == "/delete") return remove(args);
    if (command == "/bootsequence") return order("bootsequence", args);
    if (command == "/displayorder") return order("displayorder", args);
    if (command == "/toolsdisplayorder") return order("toolsdisplayorder", args);
    if (command == "/default") return setDefault(args);
    if (command == "/enum") return enumerate(args);
    return failed(kBadArguments);
}

Text FakeBcdStore::resolve(const Text& id) const {
    const Text l = lower(id);
    if (isGuid(l)) return entry(l) ? l : Text();
    if (l == "{current}") return current_;
    if (l == "{default}") {
        const auto v = values(kBootManager, "default");
        return v.empty() ? Text() : v.front();
    }
    for (const WellKnown& w : kWellKnown)
        if (l == w.name) return entry(w.guid) ? Text(w.guid) : Text();
    return {};
}

const FakeBcdStore::Entry* FakeBcdStore::entry(const Text& id) const {
    const Text l = lower(id);
    Text guid = isGuid(l) ? l : Text();
    if (guid.empty() && !l.empty()) guid = resolve(l);
    for (const Entry& e : entries_)
        if (e.id == guid) return &e;
    return nullptr;
}

FakeBcdStore::Entry* FakeBcdStore::find(const Text& id) {
    const Text guid = resolve(id);
    for (Entry& e : entries_)
        if (!guid.empty() && e.id == guid) return &e;
    return nullptr;
}

std::vector<Text> FakeBcdStore::values(const Text& id, const Text& element) const {
    const Entry* e = entry(id);
    const std::vector<Text>* v = e ? valuesOf(*e, lower(element)) : nullptr;
    return v ? *v : std::vector<Text>{};
}

bool FakeBcdStore::sameEntries(const FakeBcdStore& other) const {
    if (current_ != other.current_ || entries_.size() != other.entries_.size()) return false;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry &a = entries_[i], &b = other.entries_[i];
        if (a.id != b.id || a.kind != b.kind || a.elements.size() != b.elements.size()) return false;
        for (size_t j = 0; j < a.elements.size(); ++j)
            if (a.elements[j].name != b.elements[j].name || a.elements[j].values != b.elements[j].values)
                return false;
    }
    return true;
}

// ---- The calls ----------------------------------------------------------------

ToolAnswer FakeBcdStore::create(const Args& args) {
    Text id, description, application;
    size_t i = 0;
    if (i < args.size() && !args[i].empty() && args[i][0] == '{') id = lower(args[i++]);
    for (; i + 1 < args.size(); i += 2) {
        const Text sw = lower(args[i]);
        if (sw == "/d") description = args[i + 1];
        else if (sw == "/application") application = lower(args[i + 1]);
        else return failed(kBadArguments);
    }
    if (i != args.size() || description.empty()) return failed(kBadArguments);
    Kind kind;
    if (application == "bootsector") kind = Kind::BootSector;
    else if (application == "osloader") kind = Kind::OsLoader;
    else return failed(kBadArguments);
    if (!id.empty() && (!isGuid(id) || entry(id))) return failed(kBadArguments);
    if (id.empty()) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "{%08x-6f4e-11e0-9b2a-0021cc6d%04x}", 0x3c5e7a10u + 0x1f3u * nextId_,
                      static_cast<unsigned>(nextId_ & 0xffff));
        ++nextId_;
        id = buf;
    }
    entries_.push_back({id, kind, {{"description", {description}}}});
    return ok("项 " + id + " 成功创建。\r\n");
}

ToolAnswer FakeBcdStore::set(const Args& args) {
    if (args.size() != 3) return failed(kBadArguments);
    Entry* e = find(args[0]);
    if (!e) return failed(kNoSuchEntry);
    Text value = args[2];
    if (!value.empty() && value[0] == '{') {
        value = resolve(value);
        if (value.empty()) return failed(kNoSuchEntry);
    }
    setValues(*e, lower(args[1]), {value});
    return ok();
}

ToolAnswer FakeBcdStore::deleteValue(const Args& args) {
    if (args.size() != 2) return failed(kBadArguments);
    Entry* e = find(args[0]);
    if (!e) return failed(kNoSuchEntry);
    return eraseElement(*e, lower(args[1])) ? ok() : failed(kNoSuchElement);
}

ToolAnswer FakeBcdStore::remove(const Args& args) {
    if (args.empty()) return failed(kBadArguments);
    bool force = false, cleanup = true;
    for (size_t i = 1; i < args.size(); ++i) {
        const Text sw = lower(args[i]);
        if (sw == "/f") force = true;
        else if (sw == "/cleanup") cleanup = true;
        else if (sw == "/nocleanup") cleanup = false;
        else return failed(kBadArguments);
    }
    // A well-known name only with /f.
    if (!isGuid(lower(args[0])) && !force) return failed(kBadArguments);
    const Text guid = resolve(args[0]);
    if (guid.empty()) return failed(kNoSuchEntry);
    entries_.erase(std::remove_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.id == guid; }),
                   entries_.end());
    if (cleanup) {
        for (Entry& e : entries_) {
            for (Element& el : e.elements) el.values.erase(std::remove(el.values.begin(), el.values.end(), guid), el.values.end());
            e.elements.erase(std::remove_if(e.elements.begin(), e.elements.end(),
                                            [](const Element& el) { return el.values.empty(); }),
                             e.elements.end());
        }
    }
    if (guid == current_) current_.clear();
    return ok();
}

ToolAnswer FakeBcdStore::order(const Text& element, const Args& args) {
    std::vector<Text> ids;
    Text mode;
    for (const Text& a : args) {
        const Text l = lower(a);
        if (l == "/addfirst" || l == "/addlast" || l == "/remove") {
            if (!mode.empty()) return failed(kBadArguments);
            mode = l;
            continue;
        }
        const Text guid = resolve(a);
        if (guid.empty()) return failed(kNoSuchEntry);
        ids.push_back(guid);
    }
    if (ids.empty() || (!mode.empty() && ids.size() != 1)) return failed(kBadArguments);
    Entry* manager = find(kBootManager);
    if (!manager) return failed(kNoSuchEntry);
    const std::vector<Text>* had = valuesOf(*manager, element);
    std::vector<Text> list = had ? *had : std::vector<Text>{};
    if (!mode.empty()) list.erase(std::remove(list.begin(), list.end(), ids[0]), list.end());
    if (mode.empty()) list = ids;
    else if (mode == "/addfirst") list.insert(list.begin(), ids[0]);
    else if (mode == "/addlast") list.push_back(ids[0]);
    if (list.empty()) eraseElement(*manager, element);
    else setValues(*manager, element, list);
    return ok();
}

ToolAnswer FakeBcdStore::setDefault(const Args& args) {
    if (args.size() != 1) return failed(kBadArguments);
    const Text guid = resolve(args[0]);
    Entry* manager = find(kBootManager);
    if (guid.empty() || !manager) return failed(kNoSuchEntry);
    setValues(*manager, "default", {guid});
    return ok();
}

// ---- /enum ------------------------------------------------------------------

Text FakeBcdStore::shown(const Text& guid, bool verbose) const {
    if (verbose || !isGuid(guid)) return guid;
    if (guid == current_) return "{current}";
    const auto def = values(kBootManager, "default");
    if (!def.empty() && def.front() == guid) return "{default}";
    for (const WellKnown& w : kWellKnown)
        if (guid == w.guid) return w.name;
    return guid;
}

Text FakeBcdStore::listing(const Entry& e, bool verbose) const {
    const Text heading = infoOf(e.kind).heading;
    Text out = "\r\n" + heading + "\r\n" + Text(heading.size(), '-') + "\r\n";
    out += keyed("标识符", shown(e.id, verbose));
    for (const Element& el : e.elements) {
        for (size_t i = 0; i < el.values.size(); ++i)
            out += keyed(i == 0 ? el.name : Text(), shown(el.values[i], verbose));
    }
    return out;
}

ToolAnswer FakeBcdStore::enumerate(const Args& args) {
    bool verbose = false;
    Text what = "active";
    for (const Text& a : args) {
        const Text l = lower(a);
        if (l == "/v") verbose = true;
        else what = l;
    }
    std::vector<const Entry*> shownEntries;
    const Entry* manager = entry(kBootManager);
    if (what == "active") {
        if (manager) {
            shownEntries.push_back(manager);
            for (const Text& id : values(kBootManager, "displayorder"))
                if (const Entry* e = entry(id)) shownEntries.push_back(e);
        }
    } else if (what == "all") {
        for (const Entry& e : entries_) shownEntries.push_back(&e);
    } else if (what == "bootmgr") {
        if (manager) shownEntries.push_back(manager);
    } else if (what == "osloader") {
        for (const Entry& e : entries_)
            if (e.kind == Kind::OsLoader) shownEntries.push_back(&e);
    } else if (!what.empty() && what[0] == '{') {
        const Entry* e = entry(what);
        if (!e) return failed(kNoSuchEntry);
        shownEntries.push_back(e);
    } else {
        return failed(kBadArguments);
    }
    Text out;
    for (const Entry* e : shownEntries) out += listing(*e, verbose);
    return ok(out);
}

// ---- Saving and loading ---------------------------------------------------------

Text FakeBcdStore::save() const {
    Text s = "trivex-fake-bcd\n";
    s += "current " + current_ + "\n";
    s += "next-id " + std::to_string(nextId_) + "\n";
    if (failCall_ >= 0) s += "fail-call " + std::to_string(failCall_) + "\n";
    if (!failWhen_.empty()) s += "fail-when " + failWhen_ + "\n";
    for (const Text& l : log_) s += "log " + l + "\n";
    for (const Entry& e : entries_) {
        s += "entry " + e.id + " " + infoOf(e.kind).word + "\n";
        for (const Element& el : e.elements) {
            s += "\t" + el.name;
            for (const Text& v : el.values) s += "\t" + v;
            s += "\n";
        }
    }
    return s;
}

std::optional<FakeBcdStore> FakeBcdStore::load(const Text& text) {
    FakeBcdStore s;
    size_t at = 0;
    bool first = true;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == Text::npos) end = text.size();
        Text line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (first) {
            if (line != "trivex-fake-bcd") return std::nullopt;
            first = false;
            continue;
        }
        if (line.empty()) continue;
        if (line[0] == '\t') {
            if (s.entries_.empty()) return std::nullopt;
            Element el;
            size_t p = 1;
            while (p <= line.size()) {
                size_t q = line.find('\t', p);
                if (q == Text::npos) q = line.size();
                (el.name.empty() ? el.name : el.values.emplace_back()) = line.substr(p, q - p);
                p = q + 1;
            }
            s.entries_.back().elements.push_back(std::move(el));
            continue;
        }
        const size_t space = line.find(' ');
        const Text key = line.substr(0, space);
        const Text rest = space == Text::npos ? Text() : line.substr(space + 1);
        if (key == "current") s.current_ = lower(rest);
        else if (key == "next-id") s.nextId_ = std::atoi(rest.c_str());
        else if (key == "fail-call") s.failCall_ = std::atoi(rest.c_str());
        else if (key == "fail-when") s.failWhen_ = rest;
        else if (key == "log") s.log_.push_back(rest);
        else if (key == "entry") {
            const size_t sp = rest.find(' ');
            Entry e;
            e.id = lower(rest.substr(0, sp));
            const Text word = sp == Text::npos ? Text() : rest.substr(sp + 1);
            bool known = false;
            for (const KindInfo& k : kKinds)
                if (word == k.word) { e.kind = k.kind; known = true; }
            if (!isGuid(e.id) || !known) return std::nullopt;
            s.entries_.push_back(std::move(e));
        } else {
            return std::nullopt;
        }
    }
    if (first) return std::nullopt;
    return s;
}

void installAsBcdedit(SimMachine& machine, FakeBcdStore& store) {
    machine.system().installTool("bcdedit.exe", [&store](const Text& arguments) { return store.run(arguments); });
}

}  // namespace trivex::sim
