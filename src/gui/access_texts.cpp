#include "gui/access_texts.h"

#include <cstring>

#include "gui/gui_context.h"

namespace corvane::gui {
namespace {

struct AccessDefault {
  const char* key;
  const char* text;
};

constexpr AccessDefault kDefaults[] = {
    {"Grid", "Job records: one row per line of the job, columns NUM, MARK, PT# and DATA1 to DATA12"},
    {"COMReceiveTip", "Download a job from the instrument over the serial line into the grid"},
    {"COMSendTip", "Upload a coordinate file to the instrument over the serial line"},
    {"COMCodeTip", "Upload a feature-code file to the instrument over the serial line"},
    {"USBDownFileTip", "Download a job from the instrument over USB into the grid"},
    {"USBUpCoorTip", "Upload a coordinate file to the instrument over USB"},
    {"USBUpCodeTip", "Upload a feature-code file to the instrument over USB"},
    {"Status", "status"},
    {"Device", "Device file of the chosen port; the list follows adapters being plugged in and out"},
    {"Scale", "Scale factor between 0.99 and 1.01"},
    {"StopTip", "Stop the running transfer; what has arrived is kept"},
    {"Progress", "transfer progress"},
    {"Crs", "The job's coordinate reference system: an EPSG code or a PROJ definition; type a code or a name to "
            "search; empty for a local grid"},
};

}  // namespace

QString AccessText(const GuiContext& context, const char* key) {
  for (const AccessDefault& d : kDefaults)
    if (std::strcmp(d.key, key) == 0) return context.Caption("Access", key, d.text);
  return {};
}

}  // namespace corvane::gui
