// Lookup table and paste texts the fuzz targets found faults with, cut down to the fault.
#include "definitions/TableText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// A lookup value of 1e57 or more did not fit the export's number buffer and was written as
// "0.000000": an exported table imported again had lost the value (found with "1e082").
TEST(TableTextFindings, ALargeLookupValueExportsAsItself) {
    for (double value : {1e82, -1e300, 1.7976931348623157e308}) {
        std::vector<TLookupRow> rows;
        std::string error;
        ASSERT_TRUE(ReadLookupText(LookupText({{0, value}}), rows, error)) << error;
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].RawByte, 0);
        EXPECT_DOUBLE_EQ(rows[0].Value, value);
    }
}
