#include "view3d/Picking.h"

#include <array>

#include "view3d/Scene.h"

namespace {

// Elements by nuclear charge, from 1.
constexpr std::array<const char*, 118> kElements = {
    "Hydrogen",     "Helium",        "Lithium",     "Berylium",   "Boron",        "Carbon",
    "Nitrogen",     "Oxygen",        "Fluorine",    "Neon",       "Sodium",       "Magnesium",
    "Aluminum",     "Silicon",       "Phosphorus",  "Sulphur",    "Chlorine",     "Argon",
    "Potassium",    "Calcium",       "Scandium",    "Titanium",   "Vanadium",     "Chromium",
    "Manganese",    "Iron",          "Cobalt",      "Nickel",     "Copper",       "Zinc",
    "Gallium",      "Germanium",     "Arsenic",     "Selenium",   "Bromine",      "Krypton",
    "Rubidium",     "Strontium",     "Yttrium",     "Zirconium",  "Niobium",      "Molybdenum",
    "Technetium",   "Ruthenium",     "Rhodium",     "Palladium",  "Silver",       "Cadmium",
    "Indium",       "Tin",           "Antimony",    "Tellurium",  "Iodine",       "Xenon",
    "Caesium",      "Barium",        "Lanthanum",   "Cerium",     "Praseodymium", "Neodymium",
    "Promethium",   "Samarium",      "Europium",    "Gadolinium", "Terbium",      "Dysprosium",
    "Holmium",      "Erbium",        "Thulium",     "Ytterbium",  "Lutetium",     "Hafnium",
    "Tantalum",     "Tungsten",      "Rhenium",     "Osmium",     "Iridium",      "Platinum",
    "Gold",         "Mercury",       "Thallium",    "Lead",       "Bismuth",      "Polonium",
    "Astatine",     "Radon",         "Francium",    "Radium",     "Actinium",     "Thorium",
    "Protactinium", "Uranium",       "Neptunium",   "Plutonium",  "Americium",    "Curium",
    "Berkelium",    "Californium",   "Einsteinium", "Fermium",    "Mendelevium",  "Nobelium",
    "Lawrencium",   "Rutherfordium", "Dubnium",     "Seaborgium", "Bohrium",      "Hassium",
    "Meitnerium",   "Darmstadtium",  "Roentgenium", "Ununbium",   "Ununtrium",    "Ununquadium",
    "Ununpentium",  "Ununhexium",    "Ununseptium", "Ununoctium",
};

} // namespace

std::optional<std::uint32_t> FirstHitName(const std::uint32_t* buffer, std::size_t size, int hits) {
    if (!buffer) return std::nullopt;
    // A record: the number of names, the least and the greatest depth, the
    // names from the bottom of the stack to its top.
    std::size_t at = 0;
    for (int record = 0; hits < 0 || record < hits; ++record) {
        if (size - at < 3) break;
        const std::size_t names = buffer[at];
        if (names > size - at - 3) break; // cut off by the end of the buffer
        if (names > 0) return buffer[at + 3 + names - 1];
        at += 3 + names;
    }
    return std::nullopt;
}

std::string GetElementName(int charge) {
    if (charge < 1 || charge > static_cast<int>(kElements.size())) return "Unlisted";
    return kElements[static_cast<std::size_t>(charge - 1)];
}

std::string CritPointTypeText(int signature) {
    switch (signature) {
    case -3:
        return "(3,-3)";
    case -1:
        return "(3,-1)";
    case 1:
        return "(3,+1)";
    case 3:
        return "(3,+3)";
    default:
        return "";
    }
}

CPickedAtom PickedAtom(const C3DPickTarget& target) {
    // Truncated; a charge beyond every element is not converted at all.
    const double z = target.charge;
    const int charge = z >= 1.0 && z < static_cast<double>(kElements.size() + 1) ? static_cast<int>(z) : 0;
    return {GetElementName(charge), target.number, target.position};
}

CPickedCritPoint PickedCritPoint(const C3DPickTarget& target) {
    return {CritPointTypeText(target.signature), target.number, target.position, 0.0};
}

CPickedPath PickedPath(const C3DPickTarget& target) {
    return {CritPointTypeText(target.signature),
            target.endSignature != 0 ? CritPointTypeText(target.endSignature) : std::string(kNoEndType),
            target.number,
            target.position,
            target.end,
            target.length};
}
