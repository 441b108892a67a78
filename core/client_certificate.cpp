// Binding a client certificate of the current user's "MY" store, by subject keyword or by
// issuer and serial number; the transfers present it when a server asks for one.
#include <vector>

#include "core/certificate_serial.h"
#include "core/ostrel_base.h"
#include "base/error_codes.h"

namespace {

constexpr DWORD kEncoding = X509_ASN_ENCODING | PKCS_7_ASN_ENCODING;
constexpr int kMaxKeywordChars = 1024;

// A system error as an engine code; the crypto layer's errors are HRESULTs, which -3000 - n
// would turn positive: an issuer text it cannot encode is an invalid value.
LONG StoreFailure(DWORD error) {
    return static_cast<LONG>(error) < 0 ? kErrInvalidValue : kErrSystemBase - static_cast<LONG>(error);
}

// The current user's "MY" store, or null with the engine's code set. A running transfer may
// present the bound certificate: it stays bound until the transfer ends.
HCERTSTORE OpenStoreToBind(COstrelBase& engine) {
    if (engine.TransferRunning()) {
        engine.RefuseWhileTransferring();
        return nullptr;
    }
    engine.SetErrorCode(0);
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_A, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, "MY");
    if (!store) engine.SetErrorCode(StoreFailure(GetLastError()));
    return store;
}

}  // namespace

BOOL COstrelBase::BindSSLCertEx(const char* subjectKeyword) {
    HCERTSTORE store = OpenStoreToBind(*this);
    if (!store) return FALSE;
    WCHAR keyword[kMaxKeywordChars + 1] = {};
    if (subjectKeyword && *subjectKeyword &&
        !MultiByteToWideChar(CP_ACP, 0, subjectKeyword, -1, keyword, kMaxKeywordChars)) {
        // Longer than the room: the first 1024 characters are the keyword.
        keyword[kMaxKeywordChars] = 0;
    }
    PCCERT_CONTEXT found =
        CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_SUBJECT_STR_W, keyword, nullptr);
    if (found) {
        SetClientCertificate(found);
    } else {
        SetErrorCode(kErrNoCertificate);
    }
    CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG);
    return found ? TRUE : FALSE;
}

BOOL COstrelBase::BindSSLCert(const char* issuer, const char* serialNumber) {
    HCERTSTORE store = OpenStoreToBind(*this);
    if (!store) return FALSE;
    BOOL result = FALSE;
    DWORD size = 0;
    if (!CertStrToNameA(kEncoding, issuer ? issuer : "", CERT_OID_NAME_STR, nullptr, nullptr, &size, nullptr)) {
        SetErrorCode(StoreFailure(GetLastError()));
    } else {
        std::vector<BYTE> name;
        try {
            name.resize(size);
        } catch (...) {
            SetErrorCode(kErrNoMemory);
        }
        if (name.size() == size &&
            !CertStrToNameA(kEncoding, issuer ? issuer : "", CERT_OID_NAME_STR, nullptr, name.data(), &size, nullptr)) {
            SetErrorCode(StoreFailure(GetLastError()));
        } else if (GetErrorCode() == 0) {
            uint8_t serial[kMaxSerialBytes];
            CERT_INFO wanted{};
            wanted.Issuer.cbData = size;
            wanted.Issuer.pbData = name.data();
            wanted.SerialNumber.cbData = static_cast<DWORD>(ParseCertificateSerial(serialNumber, serial, sizeof(serial)));
            wanted.SerialNumber.pbData = serial;
            PCCERT_CONTEXT found =
                CertFindCertificateInStore(store, kEncoding, 0, CERT_FIND_SUBJECT_CERT, &wanted, nullptr);
            if (found) {
                SetClientCertificate(found);
                result = TRUE;
            } else {
                SetErrorCode(kErrNoCertificate);
            }
        }
    }
    CertCloseStore(store, CERT_CLOSE_STORE_CHECK_FLAG);
    return result;
}
