#include "util/registry.h"

#include "util/fileutil.h"
#include "util/sysutil.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <mutex>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

using json = nlohmann::json;

namespace {

// Key paths compare without regard to case, as the platform's registry does;
// the stored spelling is the one of the first write.
std::string Lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

std::string NormaliseKey(const std::string& key)
{
    std::string out;
    bool lastSlash = true;
    for (char c : key) {
        if (c == '\\' || c == '/') {
            if (!lastSlash)
                out += '\\';
            lastSlash = true;
        } else {
            out += c;
            lastSlash = false;
        }
    }
    if (!out.empty() && out.back() == '\\')
        out.pop_back();
    return out;
}

void MakeDirs(const std::string& path)
{
    for (size_t pos = 1; pos != std::string::npos && pos < path.size();) {
        pos = path.find('/', pos);
        const std::string part = path.substr(0, pos);
        if (!part.empty())
            ::mkdir(part.c_str(), 0700);
        if (pos != std::string::npos)
            ++pos;
    }
}

}  // namespace

namespace {

// What went wrong reading each registry file in this process, by path.
std::mutex gProblemsMutex;
std::map<std::string, std::string> gProblems;

void NoteProblem(const std::string& path, const std::string& text)
{
    std::lock_guard<std::mutex> lock(gProblemsMutex);
    gProblems[path] = text;
}

// A settings file larger than this is not a settings file.
constexpr off_t kMaxRegistryBytes = 16 * 1024 * 1024;

} // namespace

// One store per file; values by lower-cased key path, then by lower-cased name.
// A file that exists but cannot be read makes the store read-only for the
// process: it runs on defaults and never writes over the user's settings.
class RegistryStore {
public:
    struct Value {
        std::string name;  // spelling as written
        TRegDataType type = TRegDataType::rdUnknown;
        int32_t integer = 0;
        std::string text;
        json kept; // an entry of no known type, written back as it was read
    };
    struct Key {
        std::string path;  // spelling as written
        std::map<std::string, Value> values;
    };

    explicit RegistryStore(std::string path) : path_(std::move(path)) { Load(); }

    std::mutex mutex;
    std::map<std::string, Key> keys;

    void Save()
    {
        if (!writable_)
            return;
        json root = json::object();
        for (const auto& [path, entry] : foreign_)
            root[path] = entry;
        for (const auto& [lk, key] : keys) {
            json values = json::object();
            for (const auto& [ln, v] : key.values) {
                if (v.type == TRegDataType::rdInteger)
                    values[v.name] = {{"type", "integer"}, {"value", v.integer}};
                else if (v.type == TRegDataType::rdString)
                    values[v.name] = {{"type", "string"}, {"value", v.text}};
                else
                    values[v.name] = v.kept;
            }
            root[key.path] = values;
        }
        const std::string text = root.dump(2) + "\n";
        const auto slash = path_.rfind('/');
        if (slash != std::string::npos)
            MakeDirs(path_.substr(0, slash));
        WriteFileAtomically(path_, text);
    }

private:
    void Unreadable(const std::string& reason)
    {
        writable_ = false;
        NoteProblem(path_, Format("Файл настроек %s не прочитан (%s): программа работает с настройками по "
                                  "умолчанию, изменения настроек не сохраняются",
                                  path_.c_str(), reason.c_str()));
    }

    void Load()
    {
        // Non-blocking, so that a FIFO put in its place cannot hold the start.
        const int fd = ::open(path_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (fd < 0) {
            if (errno != ENOENT)
                Unreadable(SysErrorMessage(errno));
            return;  // no file yet: an empty registry
        }
        std::string content;
        struct stat st {};
        int error = 0;
        if (::fstat(fd, &st) != 0)
            error = errno;
        else if (!S_ISREG(st.st_mode))
            error = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        else if (st.st_size > kMaxRegistryBytes)
            error = EFBIG;
        while (error == 0) {
            char buffer[65536];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                error = errno;
            else if (n == 0)
                break;
            else if (content.size() + static_cast<size_t>(n) > static_cast<size_t>(kMaxRegistryBytes))
                error = EFBIG;
            else
                content.append(buffer, static_cast<size_t>(n));
        }
        ::close(fd);
        if (error != 0) {
            Unreadable(error == EINVAL ? "не обычный файл" : SysErrorMessage(error));
            return;
        }
        try {
            const json root = json::parse(content);
            if (!root.is_object())
                throw std::runtime_error("not an object");
            for (const auto& [path, values] : root.items()) {
                if (!values.is_object()) {
                    foreign_[path] = values;
                    continue;
                }
                Key& key = keys[Lower(NormaliseKey(path))];
                if (key.path.empty())
                    key.path = NormaliseKey(path);
                for (const auto& [name, entry] : values.items()) {
                    Value v;
                    v.name = name;
                    v.kept = entry;
                    const bool typed = entry.is_object() && entry.contains("type") && entry.contains("value");
                    const json empty;
                    const auto& value = typed ? entry["value"] : empty;
                    if (typed && entry["type"] == "integer" && value.is_number_integer() &&
                        value.get<int64_t>() >= INT32_MIN && value.get<int64_t>() <= INT32_MAX) {
                        v.type = TRegDataType::rdInteger;
                        v.integer = static_cast<int32_t>(value.get<int64_t>());
                    } else if (typed && entry["type"] == "string" && value.is_string()) {
                        v.type = TRegDataType::rdString;
                        v.text = value.get<std::string>();
                    }
                    // Anything else reads as absent but stays in the file.
                    key.values.emplace(Lower(name), std::move(v));
                }
            }
        } catch (const std::exception&) {
            // A damaged file reads as empty; it is kept aside so that the
            // user's settings can still be recovered by hand.
            keys.clear();
            foreign_.clear();
            const std::string aside = path_ + ".corrupt-" + FormatDateTime("yyyymmdd'-'hhnnss", Now());
            if (std::rename(path_.c_str(), aside.c_str()) == 0) {
                NoteProblem(path_, Format("Файл настроек %s повреждён и сохранён как %s: программа работает "
                                          "с настройками по умолчанию",
                                          path_.c_str(), aside.c_str()));
            } else {
                Unreadable(SysErrorMessage(errno));
            }
        }
    }

    std::string path_;
    std::map<std::string, json> foreign_; // top-level entries that are not keys
    bool writable_ = true;
};

namespace {

std::shared_ptr<RegistryStore> StoreFor(const std::string& path)
{
    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<RegistryStore>> stores;
    std::lock_guard<std::mutex> lock(mutex);
    auto& slot = stores[path];
    auto store = slot.lock();
    if (!store) {
        store = std::make_shared<RegistryStore>(path);
        slot = store;
    }
    return store;
}

}  // namespace

std::string TRegistry::LoadProblem()
{
    const std::string path = FilePath();
    // Reading happens when a store is made; make one if none is alive.
    TRegistry registry;
    std::lock_guard<std::mutex> lock(gProblemsMutex);
    const auto found = gProblems.find(path);
    return found == gProblems.end() ? std::string() : found->second;
}

std::string TRegistry::FilePath()
{
    if (const char* env = std::getenv("ZT_REGISTRY"); env && *env)
        return env;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = "/tmp";
    return base + "/zt-configurator/registry.json";
}

TRegistry::TRegistry() : store_(StoreFor(FilePath())) {}
TRegistry::~TRegistry() = default;

bool TRegistry::OpenKey(const std::string& key, bool canCreate)
{
    const std::string path = NormaliseKey(key);
    std::lock_guard<std::mutex> lock(store_->mutex);
    auto it = store_->keys.find(Lower(path));
    if (it == store_->keys.end()) {
        if (!canCreate)
            return false;
        store_->keys[Lower(path)].path = path;
        store_->Save();
    }
    currentKey_ = path;
    open_ = true;
    return true;
}

void TRegistry::CloseKey()
{
    currentKey_.clear();
    open_ = false;
}

bool TRegistry::KeyExists(const std::string& key) const
{
    std::lock_guard<std::mutex> lock(store_->mutex);
    return store_->keys.count(Lower(NormaliseKey(key))) != 0;
}

bool TRegistry::DeleteKey(const std::string& key)
{
    const std::string lk = Lower(NormaliseKey(key));
    std::lock_guard<std::mutex> lock(store_->mutex);
    bool removed = false;
    for (auto it = store_->keys.begin(); it != store_->keys.end();) {
        if (it->first == lk || it->first.rfind(lk + "\\", 0) == 0) {
            it = store_->keys.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    if (removed)
        store_->Save();
    return removed;
}

bool TRegistry::ValueExists(const std::string& name) const
{
    return GetDataType(name) != TRegDataType::rdUnknown;
}

TRegDataType TRegistry::GetDataType(const std::string& name) const
{
    if (!open_)
        return TRegDataType::rdUnknown;
    std::lock_guard<std::mutex> lock(store_->mutex);
    auto k = store_->keys.find(Lower(currentKey_));
    if (k == store_->keys.end())
        return TRegDataType::rdUnknown;
    auto v = k->second.values.find(Lower(name));
    return v == k->second.values.end() ? TRegDataType::rdUnknown : v->second.type;
}

std::vector<std::string> TRegistry::GetValueNames() const
{
    std::vector<std::string> names;
    if (!open_)
        return names;
    std::lock_guard<std::mutex> lock(store_->mutex);
    auto k = store_->keys.find(Lower(currentKey_));
    if (k != store_->keys.end())
        for (const auto& [ln, v] : k->second.values)
            if (v.type != TRegDataType::rdUnknown)
                names.push_back(v.name);
    return names;
}

bool TRegistry::ReadValue(const std::string& name, TRegDataType type, int32_t& integer, std::string& text) const
{
    if (!open_)
        return false;
    std::lock_guard<std::mutex> lock(store_->mutex);
    auto k = store_->keys.find(Lower(currentKey_));
    if (k == store_->keys.end())
        return false;
    auto v = k->second.values.find(Lower(name));
    if (v == k->second.values.end() || v->second.type != type)
        return false;
    integer = v->second.integer;
    text = v->second.text;
    return true;
}

int32_t TRegistry::ReadInteger(const std::string& name) const
{
    int32_t integer = 0;
    std::string text;
    if (!ReadValue(name, TRegDataType::rdInteger, integer, text))
        throw Exception("Неверный тип данных для '" + name + "'");
    return integer;
}

std::string TRegistry::ReadString(const std::string& name) const
{
    int32_t integer = 0;
    std::string text;
    if (!ReadValue(name, TRegDataType::rdString, integer, text))
        throw Exception("Неверный тип данных для '" + name + "'");
    return text;
}

int32_t TRegistry::ReadIntegerDef(const std::string& name, int32_t defaultValue) const
{
    try {
        return ReadInteger(name);
    } catch (const Exception&) {
        return defaultValue;
    }
}

std::string TRegistry::ReadStringDef(const std::string& name, const std::string& defaultValue) const
{
    try {
        return ReadString(name);
    } catch (const Exception&) {
        return defaultValue;
    }
}

bool TRegistry::ReadBoolDef(const std::string& name, bool defaultValue) const
{
    return ReadIntegerDef(name, defaultValue ? 1 : 0) != 0;
}

void TRegistry::WriteValue(const std::string& name, TRegDataType type, int32_t integer, const std::string& text)
{
    if (!open_)
        throw Exception("Раздел реестра не открыт");
    std::lock_guard<std::mutex> lock(store_->mutex);
    auto& key = store_->keys[Lower(currentKey_)];
    if (key.path.empty())
        key.path = currentKey_;
    auto& v = key.values[Lower(name)];
    if (v.name.empty())
        v.name = name;
    v.type = type;
    v.integer = integer;
    v.text = text;
    store_->Save();
}

void TRegistry::WriteInteger(const std::string& name, int32_t value)
{
    WriteValue(name, TRegDataType::rdInteger, value, {});
}

void TRegistry::WriteString(const std::string& name, const std::string& value)
{
    WriteValue(name, TRegDataType::rdString, 0, value);
}

bool TRegistry::DeleteValue(const std::string& name)
{
    if (!open_)
        return false;
    std::lock_guard<std::mutex> lock(store_->mutex);
    auto k = store_->keys.find(Lower(currentKey_));
    if (k == store_->keys.end() || k->second.values.erase(Lower(name)) == 0)
        return false;
    store_->Save();
    return true;
}
