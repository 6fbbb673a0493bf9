#include "servicemetrics.h"

#include <sstream>

namespace {

void Metric(std::ostringstream& out, const char* name, const char* type, const char* help)
{
    out << "# HELP " << name << " " << help << "\n# TYPE " << name << " " << type << "\n";
}

} // namespace

void ServiceMetrics::ConversionStarted()
{
    ++running;
}

void ServiceMetrics::ConversionEnded(const std::string& function, bool ok,
                                     std::chrono::duration<double> took)
{
    --running;
    ++(ok ? finished : failed);
    std::lock_guard lock(mutex);
    Seconds& seconds = secondsByFunction[function];
    seconds.sum += took.count();
    ++seconds.count;
}

void ServiceMetrics::ConversionGivenUp()
{
    --running;
}

void ServiceMetrics::OfficeRestarted()
{
    ++officeRestarts;
}

std::string ServiceMetrics::Text(const Queue& queue) const
{
    std::ostringstream out;
    Metric(out, "dokora_queue_depth", "gauge", "Tasks waiting for a worker, in every instance.");
    out << "dokora_queue_depth " << queue.waiting << "\n";
    Metric(out, "dokora_instance_queue_depth", "gauge", "Tasks queued in this instance.");
    out << "dokora_instance_queue_depth " << queue.instance << "\n";
    Metric(out, "dokora_running_conversions", "gauge", "Conversions under way in this instance.");
    out << "dokora_running_conversions " << running << "\n";
    Metric(out, "dokora_finished_total", "counter", "Conversions that produced a result.");
    out << "dokora_finished_total " << finished << "\n";
    Metric(out, "dokora_failed_total", "counter", "Conversions that failed.");
    out << "dokora_failed_total " << failed << "\n";
    Metric(out, "dokora_office_restarts_total", "counter",
           "Office processes started again after one ended or was stopped.");
    out << "dokora_office_restarts_total " << officeRestarts << "\n";
    Metric(out, "dokora_conversion_seconds", "summary", "Time of the conversions, by function.");
    std::lock_guard lock(mutex);
    for (const auto& [function, seconds] : secondsByFunction) {
        out << "dokora_conversion_seconds_sum{function=\"" << function << "\"} " << seconds.sum
            << "\ndokora_conversion_seconds_count{function=\"" << function << "\"} "
            << seconds.count << "\n";
    }
    return out.str();
}
