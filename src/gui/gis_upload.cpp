#include "gui/gis_upload.h"

#include <memory>

#include "exchange/upload_conversion.h"
#include "gui/gbk_text.h"

namespace corvane::gui {

bool PrepareUploadFile(GuiContext& context, QWidget* owner, std::string& path, int& type) {
  // The list of the last GIS upload: the worker reads it while it sends.
  static std::shared_ptr<void> lastList;
  exchange::UploadFile upload;
  const CommandResult prepared = exchange::PrepareCoordinateUpload(path, type, context.Settings(), upload);
  if (!prepared.Done()) {
    context.ShowFailure(owner, prepared.message, true, prepared.detail);
    return false;
  }
  if (upload.keep) lastList = upload.keep;
  if (!upload.leftOut.empty())
    context.Prompts().Message(owner, FromGbk(upload.leftOut), context.AppTitle(), MessageIcon::Exclamation);
  path = upload.path;
  type = upload.type;
  return true;
}

}  // namespace corvane::gui
