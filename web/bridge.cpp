// bridge.cpp — the page's collection in the WebAssembly module: opened, edited, saved and exported with the codec and the tool's record formats.
//
// The worker calls these C functions. Texts cross the boundary as UTF-8 JSON written and read by
// the tool's JSON code, which spells each lone surrogate as its escape, so every code unit of a
// record reaches the page and comes back. A call returns 1 with its answer in the output buffer
// (pt_out), or 0 with a one-line message there; no exception leaves a call.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "code_units.h"
#include "diff.h"
#include "encoding_check.h"
#include "failure.h"
#include "folder_paths.h"
#include "format/reader.h"
#include "format/rules.h"
#include "format/writer.h"
#include "json_text.h"
#include "kinds.h"
#include "plugin_host.h"
#include "record_format.h"
#include "records_csv.h"
#include "records_json.h"
#include "round_trip.h"

namespace peltatxt::web {
namespace {

using cli::Failure;
using cli::Json;
using cli::Records;
using host::Record;

// What the page opens: a data file, the tool's JSON (either shape) or its CSV.
enum class Input { DataFile = 0, Json = 1, Csv = 2 };

std::string g_out;  // the last call's answer or message

// A data file's bytes read into records, as an import gives them (ids from 1; the page has no
// file creation time to number them from).
Records read_data(std::string_view bytes) {
    EntryList list;
    read_memory(std::as_bytes(std::span(bytes.data(), bytes.size())), list.object(), 1);
    return host::records_of(list.get());
}

std::string write_data(const Records& records) {
    host::HostList list(records);
    return write_memory(list.get());
}

Records parse_input(std::string_view bytes, Input kind, const std::string& name) {
    switch (kind) {
        case Input::DataFile:
            if (auto warning = cli::encoding_warning(bytes.substr(0, cli::kEncodingSample)))
                throw Failure(name + ": " + *warning);
            return read_data(bytes);
        case Input::Json: return cli::json_format(cli::Shape::Tree).parse(bytes, name);
        case Input::Csv: return cli::csv_format().parse(bytes, name);
    }
    throw Failure(name + ": unknown kind of input");
}

bool is_folder_record(const Record& r) { return is_folder(r.kind); }

// The collection the page has open, with its nesting and the steps to undo and redo.
class Collection {
public:
    const Records& records() const { return records_; }
    std::size_t size() const { return records_.size(); }

    void reset(Records records) {
        records_ = std::move(records);
        undo_.clear();
        redo_.clear();
        next_id_ = 1;
        for (const Record& r : records_) next_id_ = std::max<int64_t>(next_id_, int64_t{r.id} + 1);
        renest();
    }

    // The position of the folder holding record i, or kTopLevel.
    std::ptrdiff_t parent(std::size_t i) const { return parents_[i]; }
    std::size_t depth(std::size_t i) const { return depths_[i]; }
    // One past the last record that record i holds (i + 1 for an entry or an empty folder).
    std::size_t end_of(std::size_t i) const {
        std::size_t j = i + 1;
        while (j < records_.size() && depths_[j] > depths_[i]) ++j;
        return j;
    }
    // The id a record gets to be held by the folder at position folder (kTopLevel: none).
    int32_t parent_id_for(std::ptrdiff_t folder) const {
        return folder == kTopLevel ? kNoParent : records_[static_cast<std::size_t>(folder)].id;
    }
    int32_t fresh_id() { return static_cast<int32_t>(static_cast<uint32_t>(next_id_++)); }

    // Replaces count records from at with others, as one step to undo.
    void replace(std::size_t at, std::size_t count, Records now) {
        Step step{at, Records(records_.begin() + at, records_.begin() + at + count), std::move(now)};
        apply(step.at, step.old.size(), step.now);
        undo_.push_back(std::move(step));
        redo_.clear();
    }
    bool undo() { return back_and_forth(undo_, redo_, true); }
    bool redo() { return back_and_forth(redo_, undo_, false); }
    bool can_undo() const { return !undo_.empty(); }
    bool can_redo() const { return !redo_.empty(); }
    // How many steps have been made since the collection was opened (and not undone).
    std::ptrdiff_t steps() const { return static_cast<std::ptrdiff_t>(undo_.size()); }

    // The folder path of every record, numbered (computed again after each change when asked for).
    const std::vector<std::size_t>& paths() {
        if (!paths_valid_) {
            paths_ = cli::FolderPaths();
            path_numbers_ = paths_.of(records_);
            paths_valid_ = true;
        }
        return path_numbers_;
    }
    std::u16string path_text(std::size_t number) const { return paths_.text(number); }

private:
    struct Step {
        std::size_t at;
        Records old, now;
    };

    void apply(std::size_t at, std::size_t count, const Records& now) {
        records_.erase(records_.begin() + at, records_.begin() + at + count);
        records_.insert(records_.begin() + at, now.begin(), now.end());
        renest();
    }
    bool back_and_forth(std::vector<Step>& from, std::vector<Step>& to, bool backwards) {
        if (from.empty()) return false;
        Step step = std::move(from.back());
        from.pop_back();
        if (backwards)
            apply(step.at, step.now.size(), step.old);
        else
            apply(step.at, step.old.size(), step.now);
        to.push_back(std::move(step));
        return true;
    }
    void renest() {
        parents_ = folder_positions(records_);
        depths_.assign(records_.size(), 0);
        for (std::size_t i = 0; i < records_.size(); ++i)
            if (parents_[i] != kTopLevel) depths_[i] = depths_[static_cast<std::size_t>(parents_[i])] + 1;
        paths_valid_ = false;
    }

    Records records_;
    std::vector<std::ptrdiff_t> parents_;
    std::vector<std::size_t> depths_;
    std::vector<Step> undo_, redo_;
    int64_t next_id_ = 1;
    cli::FolderPaths paths_;
    std::vector<std::size_t> path_numbers_;
    bool paths_valid_ = false;
};

Collection g_doc;
std::vector<uint32_t> g_shape;  // per record: depth << 2, bit 1 folder, bit 0 holds records
std::string g_opened;           // the bytes of the data file just opened, until pt_opened_report
bool g_opened_data_file = false;

std::string utf8(std::u16string_view s) { return cli::units_utf8(s); }

// One record's fields as the page's form shows them, the kind and letter code as JSON spells them.
Json fields_json(const Record& r) {
    Json o = Json::object();
    o["kind"] = cli::kind_json(r.kind);
    o["letterCode"] = cli::letter_code_json(r.letterCode);
    o["title"] = utf8(r.title);
    o[is_folder_record(r) ? "comment" : "text"] = utf8(r.data);
    o["macro"] = utf8(r.macro);
    o["folder"] = is_folder_record(r);
    return o;
}

// A record from the page's form: one object of the tree shape (kind, letterCode, title, text or
// comment, macro), read by the tool's JSON reader.
Record record_from_fields(std::string_view json) {
    Records parsed = cli::json_format(cli::Shape::Tree).parse("[" + std::string(json) + "]", "the form");
    if (parsed.size() != 1) throw Failure("the form: one record expected");
    return parsed.front();
}

// What check says of one record on its own: each field that would not come back, and why.
Json carry_json(const Record& r) {
    Record alone = r;
    alone.parentId = kNoParent;
    Records before{alone};
    Records after = read_data(write_data(before));
    Json out = Json::array();
    for (const cli::Finding& f : cli::compare_round_trip(before, after))
        out.push_back(Json::array({f.field.empty() ? "record" : f.field, f.reason}));
    return out;
}

Json summary_json() {
    std::size_t folders = 0;
    for (const Record& r : g_doc.records()) folders += is_folder_record(r);
    Json o = Json::object();
    o["records"] = g_doc.size();
    o["folders"] = folders;
    o["entries"] = g_doc.size() - folders;
    o["canUndo"] = g_doc.can_undo();
    o["canRedo"] = g_doc.can_redo();
    o["steps"] = g_doc.steps();
    return o;
}

void finish_change() {
    g_shape.assign(g_doc.size(), 0);
    for (std::size_t i = 0; i < g_doc.size(); ++i) {
        bool folder = is_folder_record(g_doc.records()[i]);
        bool holds = i + 1 < g_doc.size() && g_doc.parent(i + 1) == static_cast<std::ptrdiff_t>(i);
        g_shape[i] = static_cast<uint32_t>(g_doc.depth(i) << 2) | (folder ? 2u : 0u) | (holds ? 1u : 0u);
    }
}

void answer(const Json& j) { g_out = cli::json_text(j); }

// Runs a call: its answer, or its failure as a message; never an exception out of the module.
template <class F>
int guarded(F&& f) {
    try {
        f();
        return 1;
    } catch (const std::bad_alloc&) {
        g_out = "not enough memory in the page for this; what was open is kept";
    } catch (const nlohmann::json::exception& e) {
        g_out = e.what();
    } catch (const std::exception& e) {
        g_out = e.what();
    } catch (...) {
        g_out = "unexpected failure";
    }
    return 0;
}

std::size_t checked_index(int32_t i) {
    if (i < 0 || static_cast<std::size_t>(i) >= g_doc.size()) throw Failure("no record " + std::to_string(i));
    return static_cast<std::size_t>(i);
}

// The records from `from` to `to`, as copies with fresh ids (the folders' records following them).
Records copy_with_fresh_ids(std::size_t from, std::size_t to) {
    Records copy(g_doc.records().begin() + from, g_doc.records().begin() + to);
    std::vector<std::pair<int32_t, int32_t>> renamed;
    for (Record& r : copy) {
        for (auto [was, now] : renamed)
            if (r.parentId == was) r.parentId = now;
        if (is_folder_record(r)) {
            int32_t id = g_doc.fresh_id();
            renamed.emplace_back(r.id, id);
            r.id = id;
        } else {
            r.id = g_doc.fresh_id();
        }
    }
    return copy;
}

Records slice(std::size_t from, std::size_t to) {
    return Records(g_doc.records().begin() + from, g_doc.records().begin() + to);
}

// Moves the records of i into the folder at position folder (kTopLevel: the top level), after
// what it holds; where record i then stands.
std::size_t move_into(std::size_t i, std::ptrdiff_t folder) {
    std::size_t end = g_doc.end_of(i);
    if (folder != kTopLevel) {
        auto f = static_cast<std::size_t>(folder);
        if (!is_folder_record(g_doc.records()[f])) throw Failure("the target is not a folder");
        if (f >= i && f < end) throw Failure("a folder cannot go into itself");
    }
    std::size_t target = folder == kTopLevel ? g_doc.size() : g_doc.end_of(static_cast<std::size_t>(folder));
    Records moved = slice(i, end);
    moved.front().parentId = g_doc.parent_id_for(folder);
    if (target >= end) {
        Records now = slice(end, target);
        now.insert(now.end(), moved.begin(), moved.end());
        g_doc.replace(i, target - i, std::move(now));
        return target - (end - i);
    }
    Records rest = slice(target, i);
    moved.insert(moved.end(), rest.begin(), rest.end());
    g_doc.replace(target, end - target, std::move(moved));
    return target;
}

// Swaps record i (with what it holds) with its sibling before (up) or after it: where it then
// begins, or nothing when it has no such sibling.
std::optional<std::size_t> move_step(std::size_t i, bool up) {
    std::size_t end = g_doc.end_of(i);
    if (up) {
        std::size_t k = i;
        while (k > 0) {
            --k;
            if (g_doc.parent(k) == g_doc.parent(i)) break;
            if (static_cast<std::ptrdiff_t>(k) == g_doc.parent(i)) return std::nullopt;
        }
        if (k == i || g_doc.parent(k) != g_doc.parent(i)) return std::nullopt;
        Records now = slice(i, end);
        Records before = slice(k, i);
        now.insert(now.end(), before.begin(), before.end());
        g_doc.replace(k, end - k, std::move(now));
        return k;
    }
    if (end >= g_doc.size() || g_doc.parent(end) != g_doc.parent(i)) return std::nullopt;
    std::size_t next_end = g_doc.end_of(end);
    Records now = slice(end, next_end);
    Records self = slice(i, end);
    now.insert(now.end(), self.begin(), self.end());
    g_doc.replace(i, next_end - i, std::move(now));
    return i + (next_end - end);
}

bool contains(std::u16string_view text, std::u16string_view query) {
    auto fold = [](char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; };
    return std::search(text.begin(), text.end(), query.begin(), query.end(),
                       [&](char16_t a, char16_t b) { return fold(a) == fold(b); }) != text.end();
}

}  // namespace
}  // namespace peltatxt::web

using namespace peltatxt;
using namespace peltatxt::web;

extern "C" {

const char* pt_out() { return g_out.data(); }
std::size_t pt_out_size() { return g_out.size(); }
// Per record of the collection: depth << 2 | folder << 1 | holds records (valid until the next change).
const uint32_t* pt_shape() { return g_shape.data(); }
std::size_t pt_shape_size() { return g_shape.size(); }

// Opens bytes (a data file, JSON or CSV, as kind says) named name. On success the collection is
// replaced and the answer tells its counts; on failure what was open is kept. What check says of
// it comes after, from pt_opened_report, so that the tree shows first.
int pt_open(const char* bytes, std::size_t size, int kind, const char* name) {
    return guarded([&] {
        std::string_view input(bytes, size);
        Records records = parse_input(input, static_cast<Input>(kind), name);
        g_opened.clear();
        g_opened.shrink_to_fit();
        if (static_cast<Input>(kind) == Input::DataFile) g_opened.assign(input);
        g_opened_data_file = static_cast<Input>(kind) == Input::DataFile;
        g_doc.reset(std::move(records));
        finish_change();
        answer(summary_json());
    });
}

// What check says of the collection just opened (named name), and whether a save gives back
// the bytes of the data file it came from.
int pt_opened_report(const char* name) {
    return guarded([&] {
        std::string saved = write_data(g_doc.records());
        bool same = g_opened_data_file && saved == g_opened;
        g_opened.clear();
        g_opened.shrink_to_fit();
        cli::CheckReport report = cli::check_report(name, g_doc.records(), read_data(saved));
        Json o = Json::object();
        o["identical"] = report.identical;
        o["check"] = report.text;
        o["sameBytes"] = same;
        answer(o);
    });
}

int pt_new() {
    return guarded([] {
        g_doc.reset({});
        finish_change();
        answer(summary_json());
    });
}

int pt_summary() {
    return guarded([] { answer(summary_json()); });
}

// The data file's bytes.
int pt_save() {
    return guarded([] { g_out = write_data(g_doc.records()); });
}

// The name a save gets: the stem of name plus the format's extension.
int pt_save_name(const char* name) {
    return guarded([&] {
        std::u16string path = output_path(host::utf16_replacing(name));
        std::u16string_view here = kCurrentDirectory;
        if (std::u16string_view(path).starts_with(here)) path.erase(0, here.size());
        g_out = host::utf8_replacing(path);
    });
}

// What to-json (format 0), to-json --flat (1) or to-csv (2) writes.
int pt_export(int format, const char* name) {
    return guarded([&] {
        const cli::RecordFormat& f = format == 2   ? cli::csv_format()
                                     : format == 1 ? cli::json_format(cli::Shape::Flat)
                                                   : cli::json_format(cli::Shape::Tree);
        cli::StringSink sink;
        f.render(g_doc.records(), name, sink);
        g_out = std::move(sink.text);
    });
}

// What check says of the collection, named name.
int pt_check(const char* name) {
    return guarded([&] {
        Records after = read_data(write_data(g_doc.records()));
        cli::CheckReport report = cli::check_report(name, g_doc.records(), after);
        Json o = Json::object();
        o["identical"] = report.identical;
        o["text"] = report.text;
        answer(o);
    });
}

// What diff says from the collection (named name) to another file's bytes (named other_name).
int pt_compare(const char* bytes, std::size_t size, int kind, const char* name, const char* other_name) {
    return guarded([&] {
        Records other = parse_input(std::string_view(bytes, size), static_cast<Input>(kind), other_name);
        cli::StringSink sink;
        bool equal = cli::write_diff(g_doc.records(), other, name, other_name, false, sink);
        Json o = Json::object();
        o["equal"] = equal;
        o["text"] = sink.text;
        answer(o);
    });
}

// The rows for the records named by a JSON array of positions: [kind, letter, title, holds].
int pt_rows(const char* positions) {
    return guarded([&] {
        Json out = Json::array();
        for (const Json& p : cli::parse_json_text(positions)) {
            const Record& r = g_doc.records()[checked_index(p.get<int32_t>())];
            char letter = cli::code_letter(r.letterCode);
            out.push_back(Json::array({cli::kind_text(r.kind), letter ? std::string(1, letter) : std::string(),
                                       utf8(r.title)}));
        }
        answer(out);
    });
}

// One record's fields, its folder path and what of it would not come back.
int pt_get(int32_t i) {
    return guarded([&] {
        std::size_t at = checked_index(i);
        const Record& r = g_doc.records()[at];
        Json o = fields_json(r);
        o["path"] = utf8(g_doc.path_text(g_doc.paths()[at]));
        o["carry"] = carry_json(r);
        answer(o);
    });
}

// What check would say of a record with the form's fields (a JSON object).
int pt_carry(const char* fields) {
    return guarded([&] { answer(carry_json(record_from_fields(fields))); });
}

// Gives record i the form's fields; an entry with records in it cannot become one.
int pt_set(int32_t i, const char* fields) {
    return guarded([&] {
        std::size_t at = checked_index(i);
        const Record& old = g_doc.records()[at];
        Record r = record_from_fields(fields);
        if (!is_folder_record(r) && g_doc.end_of(at) != at + 1)
            throw Failure("a folder that holds records cannot become an entry");
        r.id = old.id;
        r.parentId = old.parentId;
        r.auxA = old.auxA;
        r.auxB = old.auxB;
        if (!(r == old)) g_doc.replace(at, 1, {r});
        finish_change();
        answer(summary_json());
    });
}

// Adds a record with the form's fields: into folder i after what it holds, after entry i in
// its folder, or at the end when i is -1. The answer names the new record's position.
int pt_add(int32_t i, const char* fields) {
    return guarded([&] {
        Record r = record_from_fields(fields);
        r.id = g_doc.fresh_id();
        std::size_t at = g_doc.size();
        r.parentId = kNoParent;
        if (i >= 0) {
            std::size_t sel = checked_index(i);
            bool folder = is_folder_record(g_doc.records()[sel]);
            at = g_doc.end_of(sel);
            r.parentId = folder ? g_doc.records()[sel].id : g_doc.parent_id_for(g_doc.parent(sel));
        }
        g_doc.replace(at, 0, {r});
        finish_change();
        Json o = summary_json();
        o["at"] = at;
        answer(o);
    });
}

int pt_delete(int32_t i) {
    return guarded([&] {
        std::size_t at = checked_index(i);
        g_doc.replace(at, g_doc.end_of(at) - at, {});
        finish_change();
        answer(summary_json());
    });
}

int pt_duplicate(int32_t i) {
    return guarded([&] {
        std::size_t at = checked_index(i);
        std::size_t end = g_doc.end_of(at);
        g_doc.replace(end, 0, copy_with_fresh_ids(at, end));
        finish_change();
        Json o = summary_json();
        o["at"] = end;
        answer(o);
    });
}

// Moves record i up (dir < 0) or down among its folder's records; the answer names where it is.
int pt_move(int32_t i, int dir) {
    return guarded([&] {
        std::optional<std::size_t> now = move_step(checked_index(i), dir < 0);
        finish_change();
        Json o = summary_json();
        o["at"] = now ? *now : static_cast<std::size_t>(i);
        o["moved"] = now.has_value();
        answer(o);
    });
}

// Moves record i into the folder at position folder, or to the top level when folder is -1.
int pt_move_into(int32_t i, int32_t folder) {
    return guarded([&] {
        std::size_t at = checked_index(i);
        std::ptrdiff_t f = folder < 0 ? kTopLevel : static_cast<std::ptrdiff_t>(checked_index(folder));
        std::size_t now = move_into(at, f);
        finish_change();
        Json o = summary_json();
        o["at"] = now;
        answer(o);
    });
}

int pt_undo() {
    return guarded([] {
        g_doc.undo();
        finish_change();
        answer(summary_json());
    });
}

int pt_redo() {
    return guarded([] {
        g_doc.redo();
        finish_change();
        answer(summary_json());
    });
}

// Positions and folder paths of the records whose title, text (a folder's comment) or macro
// holds query (a JSON string; ASCII letters in either case), at most limit of them.
int pt_search(const char* query, int32_t limit) {
    return guarded([&] {
        Json q = cli::parse_json_text(query);
        std::optional<std::u16string> units = cli::units_of_utf8(q.get<std::string>());
        if (!units) throw Failure("the search text is not text");
        Json hits = Json::array();
        std::size_t count = 0;
        const std::vector<std::size_t>& paths = g_doc.paths();
        for (std::size_t i = 0; i < g_doc.size(); ++i) {
            const Record& r = g_doc.records()[i];
            if (!contains(r.title, *units) && !contains(r.data, *units) && !contains(r.macro, *units)) continue;
            if (static_cast<int32_t>(count++) < limit)
                hits.push_back(Json::array({i, utf8(g_doc.path_text(paths[i]))}));
        }
        Json o = Json::object();
        o["count"] = count;
        o["hits"] = hits;
        answer(o);
    });
}

}  // extern "C"
