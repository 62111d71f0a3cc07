#pragma once

// Marks what the plug-in exports to workflow plug-ins and to the host; everything else stays hidden.
#define WORKFLOW_API __attribute__((visibility("default")))
