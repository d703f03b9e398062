// Build tool: turns message tables (id TAB text, UTF-8) and binary files into compiled-in
// "STR0" blobs plus a function that registers them by name.
//
// str0gen --function RegisterXResources --output out.cpp
//         [--table NAME table.txt]... [--blob NAME file.bin]...
//
// A table row is a decimal id, one TAB and the text, kept byte for byte (so "\n" stays a
// backslash and an "n"). Lines starting with "#" and blank lines are skipped. A malformed row
// or a repeated id stops the build with the file and line named.

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct Row {
    int32_t Id = 0;
    std::u16string Text;
    int Line = 0;
};

struct Resource {
    std::string Name;
    std::vector<uint8_t> Bytes;
};

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw Failure(path + ": cannot open");
    std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) throw Failure(path + ": cannot read");
    return data;
}

// Strict UTF-8 to UTF-16: no overlong forms, no surrogates, nothing above U+10FFFF.
bool DecodeUtf8(std::string_view text, std::u16string& out) {
    out.clear();
    size_t k = 0;
    while (k < text.size()) {
        const auto lead = static_cast<unsigned char>(text[k]);
        char32_t cp = 0;
        size_t extra = 0;
        char32_t minimum = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F, extra = 1, minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F, extra = 2, minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07, extra = 3, minimum = 0x10000;
        } else {
            return false;
        }
        if (k + extra >= text.size() && extra > 0) return false;
        for (size_t n = 1; n <= extra; ++n) {
            const auto next = static_cast<unsigned char>(text[k + n]);
            if ((next & 0xC0) != 0x80) return false;
            cp = cp << 6 | (next & 0x3F);
        }
        if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += char16_t(0xD800 + (cp >> 10));
            out += char16_t(0xDC00 + (cp & 0x3FF));
        } else {
            out += char16_t(cp);
        }
        k += extra + 1;
    }
    return true;
}

bool ParseId(std::string_view text, int32_t& id) {
    const bool negative = !text.empty() && text[0] == '-';
    std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 10) return false;
    int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        return false;
    id = int32_t(value);
    return true;
}

bool IsBlank(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

std::vector<Row> ReadTable(const std::string& path) {
    std::string data = ReadFile(path);
    if (data.compare(0, 3, "\xEF\xBB\xBF") == 0) data.erase(0, 3);
    std::vector<Row> rows;
    std::string_view rest = data;
    int lineNo = 0;
    while (!rest.empty()) {
        const size_t eol = rest.find('\n');
        std::string_view line = rest.substr(0, eol);
        rest = eol == std::string_view::npos ? std::string_view() : rest.substr(eol + 1);
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (IsBlank(line) || line[0] == '#') continue;
        const std::string where = path + ":" + std::to_string(lineNo) + ": ";
        const size_t tab = line.find('\t');
        if (tab == std::string_view::npos)
            throw Failure(where + "expected a decimal id, a TAB and the text");
        Row row;
        row.Line = lineNo;
        if (!ParseId(line.substr(0, tab), row.Id))
            throw Failure(where + "the id \"" + std::string(line.substr(0, tab)) +
                          "\" is not a 32-bit decimal number");
        if (!DecodeUtf8(line.substr(tab + 1), row.Text))
            throw Failure(where + "the text is not valid UTF-8");
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return a.Id < b.Id; });
    for (size_t k = 1; k < rows.size(); ++k)
        if (rows[k].Id == rows[k - 1].Id)
            throw Failure(path + ":" + std::to_string(rows[k].Line) + ": id " +
                          std::to_string(rows[k].Id) + " already given on line " +
                          std::to_string(rows[k - 1].Line));
    return rows;
}

void PutInt32(std::vector<uint8_t>& out, int64_t value) {
    if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max())
        throw Failure("the table is too large for 32-bit offsets");
    const auto v = uint32_t(int32_t(value));
    for (int shift = 0; shift < 32; shift += 8) out.push_back(uint8_t(v >> shift));
}

// "STR0", count, records of id / offset / length in UTF-16 units, then the UTF-16LE texts.
std::vector<uint8_t> BuildTable(const std::vector<Row>& rows) {
    std::vector<uint8_t> out{'S', 'T', 'R', '0'};
    PutInt32(out, int64_t(rows.size()));
    int64_t offset = 8 + 12 * int64_t(rows.size());
    for (const Row& row : rows) {
        PutInt32(out, row.Id);
        PutInt32(out, offset);
        PutInt32(out, int64_t(row.Text.size()));
        offset += 2 * int64_t(row.Text.size());
    }
    for (const Row& row : rows) {
        for (const char16_t unit : row.Text) {
            out.push_back(uint8_t(unit & 0xFF));
            out.push_back(uint8_t(unit >> 8));
        }
    }
    return out;
}

bool IsIdentifier(std::string_view name) {
    if (name.empty() || (name[0] >= '0' && name[0] <= '9')) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_';
    });
}

std::string Generate(const std::string& function, const std::vector<Resource>& resources) {
    std::ostringstream out;
    out << "// Generated by str0gen from the resource sources; edit those, not this file.\n"
        << "#include <cstdint>\n\n#include <platform/Resources.h>\n\nnamespace {\n";
    for (size_t r = 0; r < resources.size(); ++r) {
        const std::vector<uint8_t>& bytes = resources[r].Bytes;
        out << "\n// " << resources[r].Name << "\nalignas(4) const uint8_t Blob" << r << "["
            << std::max<size_t>(bytes.size(), 1) << "] = {";
        for (size_t k = 0; k < bytes.size(); ++k) {
            if (k % 16 == 0) out << "\n   ";
            char hex[8];
            std::snprintf(hex, sizeof hex, " 0x%02X,", bytes[k]);
            out << hex;
        }
        out << "\n};\n";
    }
    out << "\n}  // namespace\n\nvoid " << function << "();\n\nvoid " << function << "()\n{\n";
    for (size_t r = 0; r < resources.size(); ++r)
        out << "    RegisterResource(\"" << resources[r].Name << "\", Blob" << r << ", "
            << resources[r].Bytes.size() << ");\n";
    out << "}\n";
    return out.str();
}

int Run(int argc, char** argv) {
    std::string function;
    std::string output;
    std::vector<Resource> resources;
    for (int k = 1; k < argc; ++k) {
        const std::string_view arg = argv[k];
        auto next = [&]() -> std::string {
            if (k + 1 >= argc) throw Failure("missing value after " + std::string(arg));
            return argv[++k];
        };
        if (arg == "--function") {
            function = next();
        } else if (arg == "--output") {
            output = next();
        } else if (arg == "--table" || arg == "--blob") {
            Resource res;
            res.Name = next();
            const std::string path = next();
            if (!IsIdentifier(res.Name))
                throw Failure("resource name \"" + res.Name + "\" must be letters, digits, _");
            if (arg == "--table") {
                res.Bytes = BuildTable(ReadTable(path));
            } else {
                const std::string data = ReadFile(path);
                res.Bytes.assign(data.begin(), data.end());
            }
            for (const Resource& other : resources)
                if (other.Name == res.Name)
                    throw Failure("resource name \"" + res.Name + "\" given twice");
            resources.push_back(std::move(res));
        } else {
            throw Failure("unknown argument " + std::string(arg));
        }
    }
    if (!IsIdentifier(function) || output.empty())
        throw Failure(
            "usage: str0gen --function NAME --output FILE [--table NAME FILE]... "
            "[--blob NAME FILE]...");

    const std::string text = Generate(function, resources);
    // Written beside the target and renamed, so a failed run leaves no half file behind.
    const std::string temp = output + ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) throw Failure(temp + ": cannot write");
    }
    if (std::rename(temp.c_str(), output.c_str()) != 0) {
        std::remove(temp.c_str());
        throw Failure(output + ": cannot replace");
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "str0gen: error: %s\n", e.what());
        return 1;
    }
}
