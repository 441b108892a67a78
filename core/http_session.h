// The handles of one HTTP transfer of COstrelBase and the URL of the page's server.
#pragma once

#include "core/internet_session.h"
#include "core/ostrel_base.h"

struct COstrelBase::HttpSession {
    explicit HttpSession(COstrelBase& engine)
        : handles(engine.m_winInet, &engine.m_api, &engine.m_transferRunning) {}
    InternetSession handles;
    HINTERNET& request = handles.item;
    char url[MAX_PATH] = {};
    // The last hop went to another scheme, host or port than the page's, without the HTTP
    // credentials the page set.
    bool credentialsWithheld = false;
};
