// Fuzz target: the class listing parser and the term and year filters. The input:
//   byte 0: bits 0-3 length of the term filter's bytes, bit 7 all texts read as UTF-16
//   byte 1: bits 0-3 length of the year filter's bytes
//   then the term's bytes, the year's bytes, and the rest is the listing.
#include "FuzzCheck.h"
#include "FuzzTargets.h"

#include "server/ClassListing.h"

namespace fuzzing {

void classListing(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return;
    const bool utf16 = (data[0] & 0x80) != 0;
    const std::size_t termLength = data[0] & 0x0F;
    const std::size_t yearLength = data[1] & 0x0F;
    std::size_t pos = 2;
    const QString term = textOf(take(data, size, pos, termLength), utf16);
    const QString year = textOf(take(data, size, pos, yearLength), utf16);
    const QString listing = textOf(take(data, size, pos, size), utf16);

    const QStringList names = parseClassListing(listing);
    FUZZ_CHECK(names.size() <= listing.count(QLatin1Char('\r')) + 1);
    QString written;
    for (const QString& name : names) {
        FUZZ_CHECK(!name.isEmpty());
        FUZZ_CHECK(name != QLatin1String(".") && name != QLatin1String(".."));
        FUZZ_CHECK(!name.contains(QLatin1Char('\r')));
        FUZZ_CHECK(listing.contains(name));
        written += name + QLatin1String("/\r\n");
    }
    // The names written back as a listing (directories with their "/") read as the same names,
    // and an empty line ends the listing whatever follows it.
    FUZZ_CHECK(parseClassListing(written) == names);
    FUZZ_CHECK(parseClassListing(written + QLatin1String("\r\n") + listing) == names);

    const QLatin1String allTerms("All terms"), allYears("All years");
    for (const QString& name : names + QStringList{term, year, listing}) {
        FUZZ_CHECK(termMatches(allTerms, name));
        FUZZ_CHECK(termMatches(QString(), name));
        FUZZ_CHECK(termMatches(name, name));
        FUZZ_CHECK(yearMatches(allYears, name));
        const bool yearPasses = yearMatches(year, name);
        if (year != allYears && (year.size() < 4 || name.size() < 2))
            FUZZ_CHECK(!yearPasses);
        if (yearPasses && year != allYears)
            FUZZ_CHECK(name.contains(year.mid(2, 2)));
        if (name.size() >= 4)
            FUZZ_CHECK(yearMatches(name, name.mid(2, 2)));
    }
    (void)termMatches(term, listing);
}

} // namespace fuzzing

#ifdef SF_FUZZ_ENTRY
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::classListing(data, size);
    return 0;
}
#endif
