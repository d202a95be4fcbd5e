#include "ui/framework/RunHandler.h"

#include "platform/MessageBox.h"

namespace ui {

void ReportDatabaseError(const data::DatabaseError& error)
{
    platform::ShowMessage(error.UserText(), platform::MsgStyle::Exclamation);
}

void ReportUnexpectedError(const std::exception& error)
{
    platform::ShowMessage(QStringLiteral("Quillbox could not finish this command:\n%1").arg(QString::fromLocal8Bit(error.what())),
                          platform::MsgStyle::Exclamation);
}

} // namespace ui
