// Field values on a plane grid: the settings and the file.
//
// The points are shared out over every core, each thread evaluating with its
// own evaluator; a value does not depend on the thread, so the file is that
// of one thread, byte for byte.

#include "plots/TextOut.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <exception>
#include <fstream>
#include <new>

#include "analysis/DocumentFile.h"
#include "analysis/Molecule.h"
#include "platform/core/Format.h"
#include "wavefunction/Evaluator.h"

CTextOutData::CTextOutData() : m_pPlane(std::make_unique<CPlotPlane>()) {
    CPlotPlane& plane = *m_pPlane;
    plane.Corner0 = {-3.0, -3.0, 0.0};
    plane.Corner1 = {3.0, -3.0, 0.0};
    plane.Corner2 = {-3.0, 3.0, 0.0};
    plane.Centre = {0.0, 0.0, 0.0};
    plane.Width = 6.0;
    plane.Height = 6.0;
    plane.Angle = 0.0;
    // The plane dialog lays the width along the longest side of A, B and C
    // from the centre towards its first end: with these the corners it
    // derives are the ones above.
    plane.PointA = {0.0, -3.0, 0.0};
    plane.PointB = {0.0, 3.0, 0.0};
    plane.PointC = {3.0, 0.0, 0.0};
}

CTextOutData::~CTextOutData() = default;

TextOutResult CTextOutput::ComputeGrid(CMolecule& molecule, const CPlotPlane& plane, int columns, int rows,
                                       double maxValue, STextOutGrid& grid, CVector* failedAt) {
    grid = {};
    if (columns < 1 || rows < 1 || columns > CTextOutData::kMaxGridCount ||
        rows > CTextOutData::kMaxGridCount)
        return TextOutResult::NoMemory;
    const std::size_t perLine = static_cast<std::size_t>(rows) + 1;
    const std::size_t count = (static_cast<std::size_t>(columns) + 1) * perLine;
    std::vector<char> evaluated;
    try {
        grid.points.resize(count);
        grid.values.resize(count);
        evaluated.resize(count);
    } catch (const std::bad_alloc&) {
        grid = {};
        return TextOutResult::NoMemory;
    }

    const CVector c0 = plane.Corner0;
    const CVector along2 = plane.Corner2 - c0;
    const CVector along1 = plane.Corner1 - c0;
    for (int i = 0; i <= columns; ++i)
        for (int j = 0; j <= rows; ++j)
            grid.points[perLine * static_cast<std::size_t>(i) + static_cast<std::size_t>(j)] =
                c0 + (double(i) / columns) * along2 + (double(j) / rows) * along1;

    // The bound is a magnitude ("|Max. value|"): a negative one would turn
    // every value into one of the two bounds.
    const double bound = std::fabs(maxValue);
    const int field = molecule.GetFieldIndex();
    // This runs on the user-interface thread, where nothing would catch what
    // the threads' set-up throws: no memory is said as such, anything else
    // leaves points unevaluated.
    bool complete = false;
    try {
        complete = zel::ForEachPoint(*molecule.GetWavefunction(), static_cast<int>(count),
                                     [&](int k, CEvaluator& evaluator) {
                                         const auto index = static_cast<std::size_t>(k);
                                         double value = 0.0;
                                         CEvalRequest request;
                                         request.fieldIndex = field;
                                         request.point = grid.points[index];
                                         request.value = &value;
                                         if (!evaluator.Evaluate(request) || !std::isfinite(value)) return;
                                         if (value <= -bound) value = -bound;
                                         if (value > bound) value = bound;
                                         grid.values[index] = value;
                                         evaluated[index] = 1;
                                     });
    } catch (const std::bad_alloc&) {
        grid = {};
        return TextOutResult::NoMemory;
    } catch (const std::exception&) {
        complete = false;
    }
    for (std::size_t k = 0; k < count; ++k) {
        if (complete && evaluated[k]) continue;
        if (failedAt) *failedAt = grid.points[k];
        grid = {};
        return TextOutResult::EvaluationFailed;
    }
    return TextOutResult::Written;
}

std::string CTextOutput::FormatGrid(const STextOutGrid& grid, int columns, int rows, bool coordinates) {
    std::string text;
    const std::size_t perLine = static_cast<std::size_t>(rows) + 1;
    if (grid.values.size() != (static_cast<std::size_t>(columns) + 1) * perLine) return text;
    auto number = [](double value) { return zel::Sprintf("%.16g", value); };
    if (coordinates) {
        for (std::size_t k = 0; k < grid.values.size(); ++k) {
            const CVector p = grid.points[k];
            text += number(p.x) + "\t" + number(p.y) + "\t" + number(p.z) + "\t" + number(grid.values[k]) +
                    "\r\n";
        }
        return text;
    }
    for (std::size_t k = 0; k < grid.values.size(); ++k) {
        text += number(grid.values[k]) + "\t";
        if ((k + 1) % perLine == 0) text += "\r\n";
    }
    return text;
}

TextOutResult CTextOutput::Write(CMolecule& molecule, const CPlotPlane& plane, int columns, int rows,
                                 double maxValue, bool coordinates, const std::string& path,
                                 std::string* message) {
    auto say = [message](std::string text) {
        if (message) *message = std::move(text);
    };
    STextOutGrid grid;
    CVector failedAt;
    const TextOutResult computed = ComputeGrid(molecule, plane, columns, rows, maxValue, grid, &failedAt);
    if (computed == TextOutResult::NoMemory) {
        say(kNoMemory);
        return computed;
    }
    if (computed == TextOutResult::EvaluationFailed) {
        say(zel::Sprintf("The field could not be evaluated at (%g, %g, %g): nothing was written to ",
                         failedAt.x, failedAt.y, failedAt.z) +
            path + ".");
        return computed;
    }

    std::string text;
    try {
        text = FormatGrid(grid, columns, rows, coordinates);
    } catch (const std::bad_alloc&) {
        say(kNoMemory);
        return TextOutResult::NoMemory;
    }
    // Beside the file and over it when complete, as the document is saved:
    // a failed write leaves the file the user agreed to replace as it was.
    std::string error;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(text.data());
    if (!ReplaceFile(path, std::span<const std::uint8_t>(bytes, text.size()), error,
                     "Could not write file")) {
        say(error);
        return TextOutResult::CannotWrite;
    }
    return TextOutResult::Written;
}
