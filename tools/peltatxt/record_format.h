// record_format.h — the record texts the tool converts to and from (JSON in either shape, CSV), behind one interface.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host_io.h"
#include "records_csv.h"
#include "records_json.h"
#include "sink.h"

namespace peltatxt::cli {

// A text form of a record list: what to-json and to-csv write, and from-json and from-csv read.
class RecordFormat {
public:
    virtual ~RecordFormat() = default;
    // The name a help text gives the form ("JSON", "CSV").
    virtual const char* name() const = 0;
    // Reads the records of text; a failure names source and the place at fault.
    virtual Records parse(std::string_view text, const std::string& source) const = 0;
    // Writes records as text a piece at a time; source names the records' file in a failure.
    virtual void render(const Records& records, const std::string& source, Sink& out) const = 0;
};

// JSON as records_json.h writes it in this shape; it reads either shape.
const RecordFormat& json_format(Shape shape);
// CSV as records_csv.h writes and reads it.
const RecordFormat& csv_format();
// CSV read the way how says; told hears one line ("x.csv: read as UTF-16LE") when a file was read
// in an encoding other than UTF-8.
std::unique_ptr<RecordFormat> csv_format(const CsvReading& how, std::function<void(const std::string&)> told);

}  // namespace peltatxt::cli
