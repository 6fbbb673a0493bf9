#include "healthroutes.h"

#include "conversionservice.h"
#include "taskstore.h"

#include <httplib.h>

HealthRoutes::HealthRoutes(TaskStore& tasks, ConversionService& conversions)
    : tasks(tasks), conversions(conversions)
{
}

void HealthRoutes::Register(httplib::Server& server)
{
    using httplib::Request;
    using httplib::Response;
    server.Get("/healthz", [](const Request&, Response& response) {
        response.set_content("ok\n", "text/plain; charset=utf-8");
    });
    server.Get("/metrics", [this](const Request&, Response& response) {
        const ServiceMetrics::Queue queue{.waiting = tasks.WaitingCount(),
                                          .instance = conversions.Pending()};
        response.set_content(conversions.Metrics().Text(queue), "text/plain; version=0.0.4");
    });
}
