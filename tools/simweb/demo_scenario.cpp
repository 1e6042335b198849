#include "tools/simweb/demo_scenario.h"

#include <sstream>

#include "tools/simweb/scenario_text.h"

namespace ch::simweb {

namespace {

// Every query finds three sites. Their pages go four levels deep (the fourth is never crawled)
// and link a dozen videos: eight worth keeping (about 3 MB in all), three too small to keep (one
// of them announces no size), one whose body is shorter than announced; one page is reached
// through a redirect.
constexpr std::string_view kDemo = R"(# The demo web.
results * | site001.test/videos/ site002.test/clips/ site003.test/movies/

page http://site001.test/videos/ a.avi small.mpg part1.html
page http://site001.test/videos/part1.html b.wmv nolength.avi part2.html
page http://site001.test/videos/part2.html c.mpg part3.html
page http://site001.test/videos/part3.html d.avi part4.html
page http://site001.test/videos/part4.html never.avi
video http://site001.test/videos/a.avi 350000
video http://site001.test/videos/small.mpg 150000
video http://site001.test/videos/b.wmv 420000
video http://site001.test/videos/nolength.avi 150000 nolength
video http://site001.test/videos/c.mpg 500000
video http://site001.test/videos/d.avi 260000
video http://site001.test/videos/never.avi 300000

page http://site002.test/clips/ old.html e.mov
redirect http://site002.test/clips/old.html http://site002.test/clips/new.html
page http://site002.test/clips/new.html f.flv tiny.wmv
video http://site002.test/clips/e.mov 380000
video http://site002.test/clips/f.flv 310000
video http://site002.test/clips/tiny.wmv 120000

page http://site003.test/movies/ g.avi h.mpeg short.avi
video http://site003.test/movies/g.avi 450000
video http://site003.test/movies/h.mpeg 330000
video http://site003.test/movies/short.avi 250000 announce=400000
)";

}  // namespace

std::string_view DemoScenarioText() {
    return kDemo;
}

Scenario DemoScenario() {
    std::istringstream text{std::string(kDemo)};
    return ParseScenario(text);
}

}  // namespace ch::simweb
