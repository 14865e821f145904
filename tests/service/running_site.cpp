#include "running_site.h"

#include "test_language.h"

#include <stdexcept>

RunningSite::RunningSite(seo::SiteSettings settings, seo::ServerSettings server)
    : service_(std::move(settings), test_language_loader())
    , server_(service_, server)
    , port_(server_.bind("127.0.0.1", 0))
{
    if (port_ < 0)
        throw std::runtime_error("test site cannot bind");
    thread_ = std::thread([this] { server_.run(); });
}

RunningSite::~RunningSite()
{
    server_.stop();
    thread_.join();
}
