// The cookies and the behaviour the stand-in runtime serves, read from the environment at each
// request so a test can change them between calls:
//   LUMETTA_XPCOM_COOKIES   cookies separated by '|', each "host,path,secure,name,value"
//                           (secure 1 or 0; the value is the rest of the entry)
//   LUMETTA_XPCOM_COOKIE_FILE  a file with the same text, read instead when set
//   (the xul.dll build reads LUMETTA_XUL_COOKIES and LUMETTA_XUL_COOKIE_FILE instead)
//   LUMETTA_XPCOM_SCENARIO  words separated by ',': no-service-manager, no-cookie-manager,
//                           no-enumerator, foreign-element (a non-cookie element first),
//                           wide-bool (booleans written with high bytes set), failing-secure
//                           (the secure flag cannot be read)
#pragma once

#include <string>
#include <vector>

namespace xpcom_standin {

struct StoredCookie {
    std::string host, path, name, value;
    bool secure = false;
};

std::vector<StoredCookie> ScriptedCookies();
bool ScenarioHas(const char* word);

}  // namespace xpcom_standin
