// record_format.cpp — JSON and CSV as record formats, over their readers and writers.
#include "record_format.h"

#include "records_csv.h"

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
    const char* name() const override { return "CSV"; }
    Records parse(std::string_view text, const std::string& source) const override {
        return records_from_csv(text, source);
    }
    void render(const Records& records, const std::string&, Sink& out) const override { write_csv(records, out); }
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

}  // namespace peltatxt::cli
