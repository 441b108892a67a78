// Binding client certificates from the current user's "MY" store of the test prefix, into which
// the certificates that openssl made at the fixture's start are imported first.
#include <gtest/gtest.h>

#include <string>

#include "upload_test_support.h"

namespace {

std::string SubjectOf(PCCERT_CONTEXT certificate) {
    char name[256] = {};
    if (certificate) CertGetNameStringA(certificate, CERT_NAME_SIMPLE_DISPLAY_TYPE, 0, nullptr, name, sizeof(name));
    return name;
}

class ClientCertificates : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ImportLoopbackClientCertificates(); }

    EventRecorderWindow host;
    UploadEngine engine{host};
};

TEST_F(ClientCertificates, BySubjectKeyword) {
    ASSERT_TRUE(engine.BindSSLCertEx("Lumetta Second")) << engine.GetErrorCode();
    EXPECT_EQ(SubjectOf(engine.GetClientCertificate()), "Lumetta Second Client");
    ASSERT_TRUE(engine.BindSSLCertEx("Test Client"));
    EXPECT_EQ(SubjectOf(engine.GetClientCertificate()), "Lumetta Test Client");
    // Nothing found: -2114, and the first binding stays.
    EXPECT_FALSE(engine.BindSSLCertEx("No Such Subject"));
    EXPECT_EQ(engine.GetErrorCode(), -2114);
    EXPECT_EQ(SubjectOf(engine.GetClientCertificate()), "Lumetta Test Client");
}

TEST_F(ClientCertificates, ByIssuerAndSerialNumber) {
    const char* issuer1 = "O=Loopback Tests, CN=Lumetta Test Client";
    const char* issuer2 = "O=Loopback Tests, CN=Lumetta Second Client";
    // openssl made the serials 0x123 and 0x01A2FF.
    ASSERT_TRUE(engine.BindSSLCert(issuer2, "01:A2:FF")) << engine.GetErrorCode();
    EXPECT_EQ(SubjectOf(engine.GetClientCertificate()), "Lumetta Second Client");
    ASSERT_TRUE(engine.BindSSLCert(issuer2, "1a 2f f")) << engine.GetErrorCode();
    // An odd number of digits: the first digit is the highest one, not dropped.
    ASSERT_TRUE(engine.BindSSLCert(issuer1, "123")) << engine.GetErrorCode();
    EXPECT_EQ(SubjectOf(engine.GetClientCertificate()), "Lumetta Test Client");
    ASSERT_TRUE(engine.BindSSLCert(issuer1, "0x0123"));
    EXPECT_FALSE(engine.BindSSLCert(issuer1, "23"));
    EXPECT_EQ(engine.GetErrorCode(), -2114);
    EXPECT_FALSE(engine.BindSSLCert(issuer2, "123"));
    EXPECT_EQ(engine.GetErrorCode(), -2114);
    EXPECT_EQ(SubjectOf(engine.GetClientCertificate()), "Lumetta Test Client");
    // An issuer text that is no X.500 name is an invalid value.
    EXPECT_FALSE(engine.BindSSLCert("not a name", "123"));
    EXPECT_EQ(engine.GetErrorCode(), -1034);
}

}  // namespace
