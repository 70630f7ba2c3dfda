// The VST 3 interfaces fennrow's adapter uses, declared by us.
#pragma once

#include <vst3/base.h>
#include <vst3/component.h>
#include <vst3/controller.h>
#include <vst3/events.h>
#include <vst3/factory.h>
#include <vst3/parameter_changes.h>
#include <vst3/processor.h>
#include <vst3/stream.h>
#include <vst3/units.h>
