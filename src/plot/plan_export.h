#pragma once
// The plan as a file (PNG, SVG or PDF): the page of plan_sheet.h written in one
// go, replacing the file only when complete. In SVG every label is a text
// element in the generic sans-serif family; a PDF is an ISO sheet.
#include <QString>
#include <optional>

#include "core/compute/command_result.h"
#include "plot/plan_sheet.h"

namespace corvane::plot {

// By the file name's ending (case-blind); none for anything else.
std::optional<PlanFormat> PlanFormatOfPath(const QString& path);

// Writes the file. Failure: "Open file failed!" with the path and the reason.
CommandResult WritePlan(const PlanScene& scene, const PlanSheet& sheet, const PlanOptions& options,
                        const TitleBlock& title, const QString& path, PlanFormat format);

}  // namespace corvane::plot
