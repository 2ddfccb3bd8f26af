// records_json.cpp — JSON output of records in either shape, and the checked reading of JSON into records.
#include "records_json.h"

#include <cstdint>
#include <limits>
#include <map>
#include <optional>
#include <vector>

#include "code_units.h"
#include "excerpt.h"
#include "failure.h"
#include "folder_paths.h"
#include "json_text.h"
#include "kinds.h"

namespace peltatxt::cli {
namespace {

constexpr std::size_t kPieceBytes = 64 * 1024;  // how much text is passed on at a time

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

// A value of a record's field as the reader keeps it until the record ends: its type as
// nlohmann-json names it, a string's text, and the value of a whole number that fits 64 bits.
struct Value {
    const char* type = "null";
    std::string text;
    std::optional<int64_t> whole;
    bool is_string() const { return std::string_view(type) == "string"; }
};

const char* article(std::string_view type) { return type == "array" || type == "object" ? "an" : "a"; }

constexpr std::string_view kFields[] = {"kind",     "letterCode", "title", "text", "comment", "macro",
                                        "children", "id",         "parentId", "auxA", "auxB"};

bool is_field(std::string_view key) {
    for (std::string_view f : kFields)
        if (key == f) return true;
    return false;
}

// A record object from its "{" to its "}". Its fields are kept in order up to the first
// unknown or repeated key, which is where the record fails at the latest; after that only its
// first "kind" (checked before every other field) and "title" (which names it) are kept, so a
// record of countless unknown keys keeps one.
struct OpenRecord {
    static constexpr std::size_t kNoSlot = static_cast<std::size_t>(-1);
    struct Field {
        std::string key;
        Value value;
    };
    std::string where;   // its JSON pointer
    std::size_t index;   // its place in the array that holds it
    std::size_t depth;   // how many folders hold it
    int32_t parent;      // tree shape: the id of its folder, -1 at top level
    std::size_t slot = kNoSlot;  // its place in the records, taken when its children begin
    std::vector<Field> fields;
    bool stopped = false;  // fields ends at an unknown or repeated key (kept without its value)
    std::optional<Value> late_kind;
    std::optional<std::string> late_title;
    bool names_id = false;   // has "id" or "parentId", which make the document the flat shape
    bool too_deep = false;   // its "children" would nest deeper than kMaxTreeDepth (they were skipped)

    const Value* first(std::string_view key) const {
        for (const Field& f : fields)
            if (f.key == key) return &f.value;
        return nullptr;
    }
    const Value* kind() const {
        const Value* k = first("kind");
        return k ? k : late_kind ? &*late_kind : nullptr;
    }
    const std::string* title() const {
        const Value* t = first("title");
        if (t && t->is_string()) return &t->text;
        return late_title ? &*late_title : nullptr;
    }
};

// Reads records from the parser's events as they come: a record is checked when its object
// ends, and only the records on the path from the top to the one being read are held open, so
// what the reader keeps is the records read and the record at hand, never a document.
//
// The first fault found is the one reported, in the order in which a reader of the whole
// document would meet it: invalid JSON anywhere first; then by record in document order (a
// folder before its children, though its fields after "children" come later), and in a record
// "kind" first, then its fields in order, then its place among the others. After a fault, the
// rest is parsed (for invalid JSON) without building records, and only the folders still open
// around it, which come before it, are checked. A document is the flat shape when any record at
// the top level has "id" or "parentId"; when the first one has neither, it is read as the tree
// shape, and if a later one turns out to have one, the first record's fault in the flat shape
// (it must have one: it has no "id") is the one reported.
class RecordEvents : public nlohmann::json_sax<Json> {
public:
    explicit RecordEvents(const std::string& source) : source_(source) {}

    Records result() {
        if (parse_error_) throw Failure(*parse_error_);
        if (late_flat_) throw Failure(flat_fault_of_first_);
        if (fault_) throw Failure(fault_->message);
        return std::move(records_);
    }

    bool null() override { return scalar(Value{}); }
    bool boolean(bool) override { return scalar(Value{"boolean", {}, std::nullopt}); }
    bool number_integer(number_integer_t v) override { return scalar(Value{"number", {}, v}); }
    bool number_unsigned(number_unsigned_t v) override {
        std::optional<int64_t> whole;
        if (v <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) whole = static_cast<int64_t>(v);
        return scalar(Value{"number", {}, whole});
    }
    bool number_float(number_float_t, const string_t&) override { return scalar(Value{"number", {}, std::nullopt}); }
    bool string(string_t& s) override { return scalar(Value{"string", std::move(s), std::nullopt}); }
    bool binary(binary_t&) override { return scalar(Value{"binary", {}, std::nullopt}); }

    bool start_object(std::size_t) override {
        if (skipped_ > 0) return ++skipped_ > 0;
        if (frames_.empty()) {
            top_level_fault("an", "object");
            return skip();
        }
        if (frames_.back().kind == Frame::Record) return field_value(Value{"object", {}, std::nullopt});
        Frame& array = frames_.back();
        std::size_t index = array.elements++;
        std::string where = array.kind == Frame::Top ? "/" + std::to_string(index)
                                                     : open_.back().where + "/children/" + std::to_string(index);
        if (fault_ || late_flat_) {  // nothing after a fault comes first; only a top-level "id" still matters
            skipped_top_record_ = array.kind == Frame::Top;
            return skip();
        }
        OpenRecord r;
        r.where = std::move(where);
        r.index = index;
        r.depth = array.kind == Frame::Top ? 0 : open_.back().depth + 1;
        r.parent = array.kind == Frame::Top ? -1 : static_cast<int32_t>(open_.back().slot + 1);
        open_.push_back(std::move(r));
        frames_.push_back({Frame::Record, 0});
        return true;
    }

    bool key(string_t& k) override {
        if (skipped_ > 0) {
            if (skipped_top_record_ && skipped_ == 1 && (k == "id" || k == "parentId")) flat_after_first(true);
            return true;
        }
        key_ = std::move(k);
        return true;
    }

    bool end_object() override {
        if (skipped_ > 0) return end_skipped();
        frames_.pop_back();
        finish_record();
        return true;
    }

    bool start_array(std::size_t) override {
        if (skipped_ > 0) return ++skipped_ > 0;
        if (frames_.empty()) {
            frames_.push_back({Frame::Top, 0});
            return true;
        }
        if (frames_.back().kind != Frame::Record) {
            element_fault("an", "array");
            return skip();
        }
        if (key_ != "children") return field_value(Value{"array", {}, std::nullopt});
        OpenRecord& r = open_.back();
        field_value(Value{"array", {}, std::nullopt});
        // Children are read as the tree shape has them; in the flat shape, or after the record
        // already failed (a "children" repeated, say), they cannot matter and are skipped.
        bool flat = (decided_ && flat_) || (r.depth == 0 && r.index == 0 && r.names_id);
        if (r.stopped || flat || fault_ || late_flat_) return skip();
        if (r.depth + 1 > kMaxTreeDepth) {
            r.too_deep = true;
            return skip();
        }
        r.slot = records_.size();
        records_.emplace_back();  // its place, filled when the record ends
        frames_.push_back({Frame::Children, 0});
        return true;
    }

    bool end_array() override {
        if (skipped_ > 0) return end_skipped();
        frames_.pop_back();
        return true;
    }

    bool parse_error(std::size_t, const std::string& last_token, const nlohmann::detail::exception& e) override {
        parse_error_ = source_ + ": invalid JSON" + parse_error_text(e.what(), last_token);
        return false;
    }

private:
    struct Frame {
        enum Kind { Top, Record, Children } kind;
        std::size_t elements;  // of an array: how many it has had
    };
    struct Fault {
        std::ptrdiff_t rank;  // the place of its record among all records; -1 before them all
        std::string message;
    };

    // " at line 3, column 5: what" from the parser's message, or ": what" for another of its
    // errors (a number too large for any number type); the input it quotes, cut and escaped.
    static std::string parse_error_text(std::string what, const std::string& last_token) {
        std::string quoted_token = "'" + last_token + "'";
        if (std::size_t at = what.find(quoted_token); !last_token.empty() && at != std::string::npos)
            what.replace(at, quoted_token.size(), "'" + excerpt(last_token, kMessageExcerptUnits, Keep::End) + "'");
        std::size_t at = what.find(" at line ");
        if (at != std::string::npos && what.find(": ", at) != std::string::npos) return what.substr(at);
        std::size_t bracket = what.find("] ");
        return ": " + (bracket == std::string::npos ? what : what.substr(bracket + 2));
    }

    bool skip() {
        skipped_ = 1;
        return true;
    }
    bool end_skipped() {
        if (--skipped_ == 0) skipped_top_record_ = false;
        return true;
    }

    void fault(std::ptrdiff_t rank, std::string message) {
        if (!fault_ || rank < fault_->rank) fault_ = Fault{rank, std::move(message)};
    }

    void top_level_fault(const char* article, const char* type) {
        fault(-1, source_ + ": expected an array of records at the top level, found " + article + " " + type);
    }

    // A scalar or an array where a record must be.
    void element_fault(const char* article, const char* type) {
        Frame& array = frames_.back();
        std::size_t index = array.elements++;
        std::string where = array.kind == Frame::Top ? "/" + std::to_string(index)
                                                     : open_.back().where + "/children/" + std::to_string(index);
        std::string message =
            source_ + ": record at " + shortened(where) + ": expected a record object, found " + article + " " + type;
        if (index == 0 && array.kind == Frame::Top) {  // both shapes refuse it alike
            decided_ = true;
            flat_fault_of_first_ = message;
        }
        fault(static_cast<std::ptrdiff_t>(records_.size()), std::move(message));
    }

    bool scalar(Value v) {
        if (skipped_ > 0) return true;
        if (frames_.empty()) {
            top_level_fault(article(v.type), v.type);
            return true;
        }
        if (frames_.back().kind != Frame::Record) {
            element_fault(article(v.type), v.type);
            return true;
        }
        return field_value(std::move(v));
    }

    // Takes the value of the key just read into the record at hand. A value that is an array or
    // an object is kept as its type alone, and its content skipped (unless it is "children").
    bool field_value(Value v) {
        std::string_view type = v.type;
        bool children = key_ == "children";
        OpenRecord& r = open_.back();
        if (key_ == "id" || key_ == "parentId") r.names_id = true;
        if (!r.stopped) {
            bool repeated = r.first(key_) != nullptr;
            if (!is_field(key_) || repeated) {
                r.fields.push_back({std::move(key_), Value{}});
                r.stopped = true;
            } else {
                r.fields.push_back({std::move(key_), std::move(v)});
            }
        } else if (key_ == "kind" && !r.kind()) {
            r.late_kind = std::move(v);
        } else if (key_ == "title" && !r.title() && v.is_string()) {
            r.late_title = std::move(v.text);
        }
        if ((type == "array" && !children) || type == "object") return skip();
        return true;
    }

    // Where the document turns out to be the flat shape after its first record was read as the tree shape.
    void flat_after_first(bool names_id) {
        if (names_id && decided_ && !flat_) late_flat_ = true;
    }

    // Checks the record whose object just ended, and adds it to the records.
    void finish_record() {
        OpenRecord r = std::move(open_.back());
        open_.pop_back();
        bool first = r.depth == 0 && r.index == 0;
        if (first) {
            decided_ = true;
            flat_ = r.names_id;
            if (!flat_) {  // what this record would fail with if the document is the flat shape
                host::Record unused;
                flat_fault_of_first_ = check(r, true, unused).value_or("");
            }
        } else if (r.depth == 0) {
            flat_after_first(r.names_id);
        }
        if (late_flat_) return;
        std::ptrdiff_t rank = static_cast<std::ptrdiff_t>(r.slot != OpenRecord::kNoSlot ? r.slot : records_.size());
        if (fault_ && fault_->rank < rank) return;
        host::Record out;
        if (std::optional<std::string> message = check(r, flat_, out)) return fault(rank, std::move(*message));
        if (fault_) return;
        if (r.slot != OpenRecord::kNoSlot)
            records_[r.slot] = std::move(out);
        else
            records_.push_back(std::move(out));
    }

    // A location nested very deep keeps its first and last steps.
    static std::string shortened(const std::string& where) {
        if (where.size() <= 120) return where;
        std::size_t head = where.find('/', 40), tail = where.rfind('/', where.size() - 60);
        return head < tail ? where.substr(0, head) + "/..." + where.substr(tail) : where;
    }

    std::string message(const OpenRecord& r, const std::string& what) const {
        std::string name = "record at " + shortened(r.where);
        if (const std::string* title = r.title()) name += " (" + quoted_excerpt(*title) + ")";
        return source_ + ": " + name + ": " + what;
    }

    // The record's fields checked in the shape given, into out; the fault's message if there is one.
    std::optional<std::string> check(const OpenRecord& r, bool flat, host::Record& out) {
        auto text_field = [&](const std::string& key, const Value& v, std::u16string& into) -> std::optional<std::string> {
            if (!v.is_string()) return message(r, "\"" + key + "\" must be a string, not " + v.type);
            // The parser gives valid UTF-8, or units UTF-8 where the text held a lone surrogate escape.
            into = units_of_utf8(v.text).value_or(u"");
            return std::nullopt;
        };
        const Value* kind = r.kind();
        if (!kind) return message(r, "\"kind\" is missing");
        if (kind->is_string()) {
            std::optional<uint8_t> k = kind_of_name(kind->text);
            if (!k) return message(r, kind_rule());
            out.kind = *k;
        } else if (kind->whole && *kind->whole >= 0 && *kind->whole <= 255) {
            out.kind = static_cast<uint8_t>(*kind->whole);
        } else {
            return message(r, kind_rule());
        }
        bool folder = is_folder(out.kind);
        bool has_id = false, has_children = false;
        for (std::size_t i = 0; i < r.fields.size(); ++i) {
            const std::string& key = r.fields[i].key;
            const Value& v = r.fields[i].value;
            std::optional<std::string> fault;
            if (r.stopped && i + 1 == r.fields.size()) {
                if (is_field(key)) return message(r, "\"" + key + "\" appears twice (a record has each field once)");
                return message(r, "unknown field " + quoted_excerpt(key));
            } else if (key == "kind") {
                continue;
            } else if (key == "letterCode") {
                if (v.type == std::string_view("null")) {
                    out.letterCode = 0;
                } else if (int8_t code = v.is_string() ? letter_code_of(v.text) : 0) {
                    out.letterCode = code;
                } else if (!v.is_string() && v.whole && *v.whole >= -128 && *v.whole <= 127) {
                    out.letterCode = static_cast<int8_t>(*v.whole);
                } else {
                    return message(r, kLetterCodeRule);
                }
            } else if (key == "title") {
                fault = text_field(key, v, out.title);
            } else if (key == "text") {
                if (folder) return message(r, "\"text\" belongs to entries; a folder's text is its \"comment\"");
                fault = text_field(key, v, out.data);
            } else if (key == "comment") {
                if (!folder) return message(r, "\"comment\" belongs to folders; an entry's text is its \"text\"");
                fault = text_field(key, v, out.data);
            } else if (key == "macro") {
                fault = text_field(key, v, out.macro);
            } else if (key == "children") {
                if (flat)
                    return message(r,
                                   "\"children\" belongs to the nested shape; in the flat shape a record names its "
                                   "folder with \"parentId\"");
                if (!folder) return message(r, "only a folder can have \"children\"");
                if (v.type != std::string_view("array")) return message(r, "\"children\" must be an array of records");
                has_children = true;
            } else {  // id, parentId, auxA, auxB
                if (!flat) return message(r, "\"" + key + "\" is only read in the flat shape");
                if (!v.whole || *v.whole < std::numeric_limits<int32_t>::min() ||
                    *v.whole > std::numeric_limits<int32_t>::max())
                    return message(r, "\"" + key + "\" must be a whole number from -2147483648 to 2147483647");
                auto n = static_cast<int32_t>(*v.whole);
                if (key == "id") {
                    out.id = n;
                    has_id = true;
                } else if (key == "parentId") {
                    out.parentId = n;
                } else if (key == "auxA") {
                    out.auxA = n;
                } else {
                    out.auxB = n;
                }
            }
            if (fault) return fault;
        }
        if (flat) {
            if (!has_id) return message(r, "\"id\" is missing (every record of the flat shape has one)");
            return place_flat(r, out);
        }
        out.id = static_cast<int32_t>((r.slot != OpenRecord::kNoSlot ? r.slot : records_.size()) + 1);
        out.parentId = r.parent;
        if (has_children && r.too_deep)
            return message(r, "folders nest deeper than " + std::to_string(kMaxTreeDepth) + " levels");
        return std::nullopt;
    }

    // Checks the id and parentId of a flat record against the folders before it, the way the
    // writer nests them: a record's folder must still be open, at most kMaxTreeDepth deep.
    std::optional<std::string> place_flat(const OpenRecord& r, const host::Record& out) {
        auto same = ids_.find(out.id);
        if (same != ids_.end())
            return message(r, "\"id\" " + std::to_string(out.id) + " is already used by the record at /" +
                                  std::to_string(same->second.index));
        if (out.parentId == -1) {
            open_ids_.close_all([] {});
        } else {
            auto parent = ids_.find(out.parentId);
            if (parent == ids_.end() || !parent->second.folder)
                return message(r, "\"parentId\" " + std::to_string(out.parentId) + " names no earlier folder");
            open_ids_.close_for(out.parentId, [](int32_t id) { return id; }, [] {});
            if (open_ids_.empty())
                return message(r, "\"parentId\" " + std::to_string(out.parentId) +
                                      " names a folder whose records ended before this one (a folder's records must "
                                      "follow it directly)");
            if (open_ids_.depth() > kMaxTreeDepth)
                return message(r, "folders nest deeper than " + std::to_string(kMaxTreeDepth) + " levels");
        }
        bool folder = is_folder(out.kind);
        if (folder && out.id == -1) return message(r, "a folder cannot have \"id\" -1, which means \"no folder\"");
        ids_.emplace(out.id, Seen{r.index, folder});
        if (folder) open_ids_.open(out.id);
        return std::nullopt;
    }

    static std::string kind_rule() { return "\"kind\" must be " + kind_names(true) + " or a number from 0 to 255"; }
    static constexpr const char* kLetterCodeRule =
        "\"letterCode\" must be one of \"D\", \"E\", \"R\", \"S\", \"C\", \"P\", \"K\", null "
        "or a number from -128 to 127";

    struct Seen {
        std::size_t index;  // its place at the top level
        bool folder;
    };
    const std::string& source_;
    std::vector<Frame> frames_;        // the arrays and record objects open, from the top
    std::vector<OpenRecord> open_;     // the record objects open, from the top
    std::string key_;                  // the key whose value comes next
    std::size_t skipped_ = 0;          // how deep the value being skipped is open
    bool skipped_top_record_ = false;  // the value skipped is a record at the top level
    bool decided_ = false;             // the first element of the top level has been read
    bool flat_ = false;                // the shape taken from the first record
    bool late_flat_ = false;           // a later record at the top level has "id" or "parentId"
    std::string flat_fault_of_first_;
    std::optional<Fault> fault_;
    std::optional<std::string> parse_error_;
    Records records_;
    std::map<int32_t, Seen> ids_;
    OpenFolders<int32_t> open_ids_;    // flat shape: the folders open, by id
};

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
    StringSink out;
    write_json(records, shape, source, out);
    return std::move(out.text);
}

void write_json(const Records& records, Shape shape, const std::string& source, Sink& sink) {
    if (records.empty()) return sink.write("[]\n");
    std::vector<std::ptrdiff_t> parents;
    if (shape == Shape::Tree) {  // refused before anything is written
        parents = folder_positions(records);
        std::vector<std::size_t> depth(records.size(), 0);
        for (std::size_t i = 0; i < records.size(); ++i)
            if (parents[i] != kTopLevel && (depth[i] = depth[static_cast<std::size_t>(parents[i])] + 1) > kMaxTreeDepth)
                throw Failure(source + ": folders nest deeper than " + std::to_string(kMaxTreeDepth) +
                              " levels; use the flat shape (--flat)");
    }
    // The document a record at a time, byte for byte as json_text writes it whole. In the tree
    // shape the list's order is the tree's: a folder's records follow it, so each record closes
    // the folders it is not in and opens its own.
    std::string out = "[";
    auto newline = [&](std::size_t level) {
        out += '\n';
        out.append(2 * level, ' ');
    };
    struct Open {
        std::size_t folder;
        bool has_children;  // its "children" array has had a record
    };
    std::vector<Open> open;
    auto close_folder = [&] {
        std::size_t level = 1 + 2 * (open.size() - 1);  // the folder object's
        if (open.back().has_children) {
            newline(level + 1);
            out += ']';
        } else {
            out += "[]";
        }
        newline(level);
        out += '}';
        open.pop_back();
    };
    for (std::size_t i = 0; i < records.size(); ++i) {
        const host::Record& r = records[i];
        if (shape == Shape::Flat) {
            if (i > 0) out += ',';
            newline(1);
            append_json_text(out, record_json(r, Shape::Flat), 1);
        } else {
            while (!open.empty() && (parents[i] == kTopLevel || open.back().folder != static_cast<std::size_t>(parents[i])))
                close_folder();
            if (open.empty()) {
                if (i > 0) out += ',';
            } else if (open.back().has_children) {
                out += ',';
            } else {
                out += '[';
                open.back().has_children = true;
            }
            std::size_t level = 1 + 2 * open.size();
            newline(level);
            Json fields = record_json(r, Shape::Tree);
            out += '{';
            std::size_t n = 0;
            for (auto it = fields.begin(); it != fields.end(); ++it) {
                if (n++) out += ',';
                newline(level + 1);
                append_json_string(out, it.key());
                out += ": ";
                append_json_text(out, it.value(), level + 1);
            }
            if (is_folder(r.kind)) {
                out += ',';
                newline(level + 1);
                out += "\"children\": ";
                open.push_back({i, false});
            } else {
                newline(level);
                out += '}';
            }
        }
        if (out.size() >= kPieceBytes) {
            sink.write(out);
            out.clear();
        }
    }
    while (!open.empty()) close_folder();
    newline(0);
    out += "]\n";
    sink.write(out);
}

Records records_from_json(std::string_view json, const std::string& source) {
    RecordEvents events(source);
    parse_json_events(json, events);
    return events.result();
}

}  // namespace peltatxt::cli
