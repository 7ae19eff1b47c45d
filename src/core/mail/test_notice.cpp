#include "mail/test_notice.h"

#include "app/time_text.h"

namespace qova {

NoticeText TestNotice(std::time_t when) {
    return {"Test - QOVA", "This is a test notice from QOVA" + TimeText(when)};
}

} // namespace qova
