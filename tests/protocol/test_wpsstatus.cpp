#include "protocol/wpsstatus.h"

#include <cstring>
#include <gtest/gtest.h>
#include <utility>

// One table for the wizard's log and swpctl's output.
TEST(WpsStatus, Texts) {
    const std::pair<int, const char*> texts[] = {
        {0, "Not used"},
        {1, "Idle"},
        {2, "WSC Fail(Ignore this if Intel/Marvell registrar used)"},
        {3, "Start WSC Process"},
        {7, "Receive EAP-Req with wrong WSC SMI Vendor Id"},
        {8, "Receive EAPReq with wrong WSC Vendor Type"},
        {9, "Sending EAP-Req(WSC_START)"},
        {14, "Received M2D"},
        {26, "Received M8"},
        {27, "Processing EAP Response (ACK)"},
        {33, "WSC_ERROR_DEV_PWD_AUTH_FAIL"},
        {34, "Configured"},
        {38, "WAIT PINCODE"},
        {257, "PBC:TOO MANY AP"},
        {264, "EAP_REQ_WRONG_VENDOR_TYPE"},
        {39, "Unknown"},
        {256, "Unknown"},
        {265, "Unknown"},
        {-1, "Unknown"},
    };
    for (const auto& [status, text] : texts)
        EXPECT_STREQ(swp::WpsStatusText(status), text) << status;
    int known = 0;
    for (int status = -10; status < 400; ++status)
        known += std::strcmp(swp::WpsStatusText(status), "Unknown") != 0;
    EXPECT_EQ(known, 39 + 8);
}
