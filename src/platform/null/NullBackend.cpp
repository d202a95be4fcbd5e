// The backend of a build without a desktop (QB_PLATFORM=null): the controller runs, its services do
// nothing, and Quillbox says at start-up that its keys and clipboard history do not work. The unit
// tests of the core build and run on it without any display.
#include "platform/Platform.h"
#include "platform/fake/FakeServices.h"

namespace platform {

std::unique_ptr<Services> CreateServices(const QByteArray&)
{
    return std::make_unique<Services>(std::move(CreateFakeServices().services));
}

bool SessionSupported(QString* why)
{
    if (why)
        *why = QStringLiteral("This Quillbox was built without a desktop backend.");
    return false;
}

void InstallDisplayLossHandler() {}

} // namespace platform
