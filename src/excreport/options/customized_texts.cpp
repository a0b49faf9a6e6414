#include "excreport/options/customized_texts.h"

namespace kestrova {

const char kDefaultPageTemplate[] =
    "<html>\r\n"
    "  <head>\r\n"
    "  </head>\r\n"
    "  <body TopMargin=10 LeftMargin=10>\r\n"
    "    <table width=\"100%\" border=\"0\">\r\n"
    "      <tr>\r\n"
    "        <td nowrap>\r\n"
    "          <font face=\"Lucida Console, Courier\" size=\"2\">\r\n"
    "            <%HTML_TAG%>\r\n"
    "          </font>\r\n"
    "        </td>\r\n"
    "      </tr>\r\n"
    "    </table>\r\n"
    "  </body>\r\n"
    "</html>";

const TCustomizedTexts& DefaultTexts() {
  static const TCustomizedTexts texts = {
      "Information.",
      "Question.",
      "Error.",
      "An error has occurred during program execution.\r\n"
      "Please read the following information for further details.",
      "General",
      "General Information",
      "Call Stack",
      "Call Stack Information",
      "Modules",
      "Modules Information",
      "CPU",  // 10
      "CPU Information",
      "Other",
      "Other Information",
      "&OK",
      "&Terminate",
      "&Restart",
      "&Details",
      "&Send this error via Internet",
      "&Attach a Screenshot image",
      "&Copy to Clipboard",  // 20
      "Go to the Support Page",
      "Application",
      "Start Date",
      "Name/Description",
      "Version Number",
      "Parameters",
      "Compilation Date",
      "Exception",
      "Date",
      "Address",  // 30
      "Module",
      "Type",
      "Message",
      "Active Controls",
      "Form Class",
      "Form Text",
      "Control Class",
      "Control Text",
      "Computer",
      "Name",  // 40
      "User",
      "Total Memory",
      "Free Memory",
      "Total Disk",
      "Free Disk",
      "System Up Time",
      "Processor",
      "Display Mode",
      "Operating System",
      "Type",  // 50
      "Build #",
      "Update",
      "Language",
      "Network",
      "IP Address",
      "Submask",
      "Gateway",
      "DNS 1",
      "DNS 2",
      "DHCP",  // 60
      "Custom Information",
      "Address",
      "Module",
      "Unit",
      "Class",
      "Procedure/Method",
      "Line",
      "Main",
      "Exception Thread",
      "Running Thread",  // 70
      "Calling Thread",
      "ID",
      "Priority",
      "Class",
      "Send.",
      "Message",
      "Resolving DNS...",
      "Connecting with server...",
      "Connected with server.",
      "Sending message...",  // 80
      "Request",
      "Please describe the steps to reproduce the error:",
      "&OK",
      "Handle",
      "Name",
      "Description",
      "Version",
      "Size",
      "Modified",
      "Path",  // 90
      "Registers",
      "Stack",
      "Memory Dump",
      "The message was sent successfully.",
      "Sorry, sending the message didn't work.",
  };
  return texts;
}

}  // namespace kestrova
