#pragma once

#include <istream>
#include <stdexcept>
#include <string>

#include "tools/simweb/scenario.h"

namespace ch::simweb {

class ScenarioError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads a scenario from its text form, one address per line:
//   # a comment (blank lines are skipped too)
//   page URL [LINK ...]                       an index page linking to each LINK
//   hosts URL FIRST COUNT [LINK ...]          a page of COUNT video links on hosts of their
//                                             own, numbered from FIRST (h0000001.test is 1)
//   html URL [CODE]                           the lines up to one holding only "." are the page,
//                                             sent with CODE (default 200)
//   video URL SIZE [nolength] [announce=N] [stall=N] [reset=N] [headers=N] [chunked]
//             [etag=TAG|etag=changing] [nodate] [ranges=ignore|ranges=refuse]
//   soft404 URL [octet]                       a 300 KB "not found" page sent with 200 as
//                                             text/html (octet: application/octet-stream)
//   redirect URL TARGET [CODE]                CODE defaults to 302
//   status URL CODE                           an error page, e.g. 404 or 500
//   stall URL                                 the headers of a page, then nothing
//   silent URL                                no answer at all
//   bomb URL SIZE                             a gzip page that inflates to SIZE zero bytes
//   results QUERY | ADDRESS ...               QUERY "*" stands for every other query
//   search KIND URL [status=CODE] [| RESULT ...]
//                                             a search engine's answer built for the query
//                                             asked: KIND google (none: "did not match"),
//                                             google-gate (the JavaScript page), google-sorry
//                                             (302 to /sorry/index), ddg-lite (every second
//                                             href through duckduckgo.com/l/?uddg=), ddg-anomaly
//                                             (202), searx (JSON); RESULT is a site address;
//                                             status=CODE replaces the kind's status
// A "*" in any URL stands for any run of characters (e.g. a query: "...search?q=funny*");
// such patterns are tried after the exact addresses, first written first. https URLs are the
// same addresses as http ones.
// announce=N announces N bytes whatever the true size; stall=N sends N body bytes, then nothing;
// reset=N sends N body bytes, then resets the connection; headers=N sends N bytes of filler
// header lines before the real ones; chunked sends the body in chunks without Content-Length.
// Videos carry a fixed Last-Modified (nodate: none) and etag=TAG an ETag; "Range: bytes=N-" is
// answered 206 from N while If-Range matches one of them (etag=changing: an ETag new at every
// request, so a resume starts again), 416 from the end on; ranges=ignore always sends the whole
// file (200), ranges=refuse answers every range 416. A hosts page links each LINK after its video
// links. Throws ScenarioError naming the line of the first mistake.
Scenario ParseScenario(std::istream& in);

}  // namespace ch::simweb
