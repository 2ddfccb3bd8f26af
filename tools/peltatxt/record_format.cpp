// record_format.cpp — JSON and CSV as record formats, over their readers and writers.
#include "record_format.h"

#include <utility>

namespace peltatxt::cli {
namespace {

class JsonFormat : public RecordFormat {
public:
    explicit JsonFormat(Shape shape) : shape_(shape) {}
    const char* name() const override { return "JSON"; }
    Records parse(std::string_view text, const std::string& source) const override {
        return records_from_json(text, source);
    }
    void render(const Records& records, const std::string& source, Sink& out) const override {
        write_json(records, shape_, source, out);
    }

private:
    Shape shape_;
};

class CsvFormat : public RecordFormat {
public:
    CsvFormat() = default;
    CsvFormat(const CsvReading& how, std::function<void(const std::string&)> told) : how_(how), told_(std::move(told)) {}
    const char* name() const override { return "CSV"; }
    Records parse(std::string_view text, const std::string& source) const override {
        const char* read_as = nullptr;
        Records records = records_from_csv(text, source, how_, &read_as);
        if (read_as && told_) told_(source + ": read as " + read_as);
        return records;
    }
    void render(const Records& records, const std::string&, Sink& out) const override { write_csv(records, out); }

private:
    CsvReading how_;
    std::function<void(const std::string&)> told_;
};

}  // namespace

const RecordFormat& json_format(Shape shape) {
    static const JsonFormat tree(Shape::Tree), flat(Shape::Flat);
    return shape == Shape::Flat ? flat : tree;
}

const RecordFormat& csv_format() {
    static const CsvFormat csv;
    return csv;
}

std::unique_ptr<RecordFormat> csv_format(const CsvReading& how, std::function<void(const std::string&)> told) {
    return std::make_unique<CsvFormat>(how, std::move(told));
}

}  // namespace peltatxt::cli
