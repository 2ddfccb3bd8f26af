// records_json.cpp — JSON output of records in either shape, and the checked reading of JSON into records.
#include "records_json.h"

#include <cstdint>
#include <limits>
#include <map>
#include "code_units.h"
#include "failure.h"
#include "json_text.h"
#include "records.h"

namespace peltatxt::cli {
namespace {

Json record_json(const host::Record& r, Shape shape) {
    bool flat = shape == Shape::Flat;
    bool folder = is_folder(r.kind);
    Json o = Json::object();
    if (flat) {
        o["id"] = r.id;
        o["parentId"] = r.parentId;
    }
    o["kind"] = kind_json(r.kind);
    if (flat || r.letterCode != 0) o["letterCode"] = letter_code_json(r.letterCode);
    o["title"] = units_utf8(r.title);
    if (!folder)
        o["text"] = units_utf8(r.data);
    else if (flat || !r.data.empty())
        o["comment"] = units_utf8(r.data);
    if (flat || !r.macro.empty()) o["macro"] = units_utf8(r.macro);
    if (flat) {
        o["auxA"] = r.auxA;
        o["auxB"] = r.auxB;
    }
    return o;
}

// Builds the tree shape; children[i] lists the positions of the records folder i holds.
Json tree_json(const Records& records, const std::vector<std::vector<std::size_t>>& children,
               const std::vector<std::size_t>& members) {
    Json array = Json::array();
    for (std::size_t i : members) {
        Json o = record_json(records[i], Shape::Tree);
        if (is_folder(records[i].kind)) o["children"] = tree_json(records, children, children[i]);
        array.push_back(std::move(o));
    }
    return array;
}

std::optional<int64_t> whole_number(const Json& v) {
    if (v.is_number_unsigned()) {
        uint64_t u = v.get<uint64_t>();
        if (u > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) return std::nullopt;
        return static_cast<int64_t>(u);
    }
    if (v.is_number_integer()) return v.get<int64_t>();
    return std::nullopt;
}

// Reads the records of a parsed document, checking every field.
class RecordReader {
public:
    explicit RecordReader(const std::string& source) : source_(source) {}

    Records read(const Json& doc) {
        if (!doc.is_array())
            throw Failure(source_ + ": expected an array of records at the top level, found " +
                          std::string(article(doc)) + " " + doc.type_name());
        flat_ = false;
        for (const Json& r : doc)
            if (r.is_object() && (r.contains("id") || r.contains("parentId"))) flat_ = true;
        for (std::size_t i = 0; i < doc.size(); ++i) read_record(doc[i], std::string("/").append(std::to_string(i)), 0, -1);
        return std::move(records_);
    }

private:
    // A location nested very deep keeps its first and last steps.
    static std::string shortened(const std::string& where) {
        if (where.size() <= 120) return where;
        std::size_t head = where.find('/', 40), tail = where.rfind('/', where.size() - 60);
        return head < tail ? where.substr(0, head) + "/..." + where.substr(tail) : where;
    }

    static const char* article(const Json& v) { return v.is_array() || v.is_object() ? "an" : "a"; }

    [[noreturn]] void fail(const std::string& where, const Json& record, const std::string& what) const {
        std::string name = "record at " + shortened(where);
        if (record.is_object()) {
            auto title = record.find("title");
            if (title != record.end() && title->is_string())
                name += " (" + quoted(units_of_utf8(title->get_ref<const std::string&>()).value_or(u""), 40) + ")";
        }
        throw Failure(source_ + ": " + name + ": " + what);
    }

    std::u16string text_field(const std::string& where, const Json& record, const std::string& key,
                              const Json& value) const {
        if (!value.is_string()) fail(where, record, "\"" + key + "\" must be a string, not " + value.type_name());
        // The parser gives valid UTF-8, or units UTF-8 where the text held a lone surrogate escape.
        return units_of_utf8(value.get_ref<const std::string&>()).value_or(u"");
    }

    int32_t int32_field(const std::string& where, const Json& record, const std::string& key, const Json& value) const {
        std::optional<int64_t> n = whole_number(value);
        if (!n || *n < std::numeric_limits<int32_t>::min() || *n > std::numeric_limits<int32_t>::max())
            fail(where, record, "\"" + key + "\" must be a whole number from -2147483648 to 2147483647");
        return static_cast<int32_t>(*n);
    }

    uint8_t kind_field(const std::string& where, const Json& record) const {
        auto it = record.find("kind");
        if (it == record.end()) fail(where, record, "\"kind\" is missing");
        if (it->is_string()) {
            if (std::optional<uint8_t> kind = kind_of_name(it->get_ref<const std::string&>())) return *kind;
        } else if (std::optional<int64_t> n = whole_number(*it); n && *n >= 0 && *n <= 255) {
            return static_cast<uint8_t>(*n);
        }
        fail(where, record,
             "\"kind\" must be \"one-time\", \"locked\", \"folder\", \"folder H\", \"folder O\", \"folder H O\" "
             "or a number from 0 to 255");
    }

    int8_t letter_code_field(const std::string& where, const Json& record, const Json& value) const {
        if (value.is_null()) return 0;
        if (value.is_string()) {
            if (int8_t code = letter_code_of(value.get_ref<const std::string&>())) return code;
        } else if (std::optional<int64_t> n = whole_number(value); n && *n >= -128 && *n <= 127) {
            return static_cast<int8_t>(*n);
        }
        fail(where, record,
             "\"letterCode\" must be one of \"D\", \"E\", \"R\", \"S\", \"C\", \"P\", \"K\", null "
             "or a number from -128 to 127");
    }

    void read_record(const Json& j, const std::string& where, std::size_t depth, int32_t parent) {
        if (!j.is_object())
            fail(where, j, std::string("expected a record object, found ") + article(j) + " " + j.type_name());
        host::Record r;
        r.kind = kind_field(where, j);
        bool folder = is_folder(r.kind);
        bool has_id = false;
        const Json* children = nullptr;
        for (auto it = j.begin(); it != j.end(); ++it) {
            const std::string& key = it.key();
            const Json& v = it.value();
            if (key == "kind") {
                continue;
            } else if (key == "letterCode") {
                r.letterCode = letter_code_field(where, j, v);
            } else if (key == "title") {
                r.title = text_field(where, j, key, v);
            } else if (key == "text") {
                if (folder) fail(where, j, "\"text\" belongs to entries; a folder's text is its \"comment\"");
                r.data = text_field(where, j, key, v);
            } else if (key == "comment") {
                if (!folder) fail(where, j, "\"comment\" belongs to folders; an entry's text is its \"text\"");
                r.data = text_field(where, j, key, v);
            } else if (key == "macro") {
                r.macro = text_field(where, j, key, v);
            } else if (key == "children") {
                if (flat_)
                    fail(where, j,
                         "\"children\" belongs to the nested shape; in the flat shape a record names its "
                         "folder with \"parentId\"");
                if (!folder) fail(where, j, "only a folder can have \"children\"");
                if (!v.is_array()) fail(where, j, "\"children\" must be an array of records");
                children = &v;
            } else if (key == "id" || key == "parentId" || key == "auxA" || key == "auxB") {
                if (!flat_) fail(where, j, "\"" + key + "\" is only read in the flat shape");
                int32_t n = int32_field(where, j, key, v);
                if (key == "id") {
                    r.id = n;
                    has_id = true;
                } else if (key == "parentId") {
                    r.parentId = n;
                } else if (key == "auxA") {
                    r.auxA = n;
                } else {
                    r.auxB = n;
                }
            } else {
                fail(where, j, "unknown field \"" + key + "\"");
            }
        }
        if (flat_) {
            if (!has_id) fail(where, j, "\"id\" is missing (every record of the flat shape has one)");
            place_flat(where, j, r);
        } else {
            r.id = static_cast<int32_t>(records_.size() + 1);
            r.parentId = parent;
        }
        records_.push_back(r);
        if (!children) return;
        if (depth + 1 > kMaxTreeDepth)
            fail(where, j, "folders nest deeper than " + std::to_string(kMaxTreeDepth) + " levels");
        for (std::size_t i = 0; i < children->size(); ++i)
            read_record((*children)[i], where + "/children/" + std::to_string(i), depth + 1, r.id);
    }

    // Checks the id and parentId of a flat record against the folders before it, the way the
    // writer nests them: a record's folder must still be open.
    void place_flat(const std::string& where, const Json& j, const host::Record& r) {
        auto same = ids_.find(r.id);
        if (same != ids_.end())
            fail(where, j,
                 "\"id\" " + std::to_string(r.id) + " is already used by the record at " + same->second.where);
        if (r.parentId == -1) {
            open_.clear();
        } else {
            auto parent = ids_.find(r.parentId);
            if (parent == ids_.end() || !parent->second.folder)
                fail(where, j, "\"parentId\" " + std::to_string(r.parentId) + " names no earlier folder");
            while (!open_.empty() && open_.back() != r.parentId) open_.pop_back();
            if (open_.empty())
                fail(where, j,
                     "\"parentId\" " + std::to_string(r.parentId) +
                         " names a folder whose records ended before this one (a folder's records must "
                         "follow it directly)");
        }
        bool folder = is_folder(r.kind);
        if (folder && r.id == -1) fail(where, j, "a folder cannot have \"id\" -1, which means \"no folder\"");
        ids_.emplace(r.id, Seen{where, folder});
        if (folder) open_.push_back(r.id);
    }

    struct Seen {
        std::string where;
        bool folder;
    };
    const std::string& source_;
    bool flat_ = false;
    Records records_;
    std::map<int32_t, Seen> ids_;
    std::vector<int32_t> open_;
};

// " at line 3, column 5: what" from a parse error's message; ": what" from another error of
// the parser (a number too large for any number type).
std::string parse_error_text(const nlohmann::json::exception& e) {
    std::string what = e.what();
    std::size_t at = what.find(" at line ");
    if (at != std::string::npos) {
        std::size_t colon = what.find(": ", at);
        if (colon != std::string::npos) return what.substr(at);
    }
    std::size_t bracket = what.find("] ");
    return ": " + (bracket == std::string::npos ? what : what.substr(bracket + 2));
}

}  // namespace

Json kind_json(uint8_t kind) {
    if (std::optional<std::string> name = kind_name(kind)) return *name;
    return kind;
}

Json letter_code_json(int8_t code) {
    if (char letter = code_letter(code)) return std::string(1, letter);
    if (code == 0) return nullptr;
    return code;
}

std::string records_to_json(const Records& records, Shape shape, const std::string& source) {
    Json doc = Json::array();
    if (shape == Shape::Flat) {
        for (const host::Record& r : records) doc.push_back(record_json(r, Shape::Flat));
    } else {
        std::vector<std::ptrdiff_t> parents = parent_positions(records);
        std::vector<std::size_t> depth(records.size(), 0);
        std::vector<std::vector<std::size_t>> children(records.size());
        std::vector<std::size_t> top;
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (parents[i] == kTopLevel) {
                top.push_back(i);
                continue;
            }
            auto p = static_cast<std::size_t>(parents[i]);
            depth[i] = depth[p] + 1;
            if (depth[i] > kMaxTreeDepth)
                throw Failure(source + ": folders nest deeper than " + std::to_string(kMaxTreeDepth) +
                              " levels; use the flat shape (--flat)");
            children[p].push_back(i);
        }
        doc = tree_json(records, children, top);
    }
    return json_text(doc) + "\n";
}

Records records_from_json(std::string_view json, const std::string& source) {
    Json doc;
    try {
        doc = parse_json_text(json);
    } catch (const nlohmann::json::exception& e) {
        throw Failure(source + ": invalid JSON" + parse_error_text(e));
    }
    return RecordReader(source).read(doc);
}

}  // namespace peltatxt::cli
