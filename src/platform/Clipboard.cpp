#include "platform/Platform.h"

namespace platform {

bool IsSecretMark(const QByteArray& content)
{
    return content.trimmed() == kSecretMimeValue;
}

} // namespace platform
