#include "pdf/PdfInfo.h"

#include "pdf/PdfDeviceWorkBuffer.h"

std::string TPdfInfo::Entry(const char* key, const std::string& value) const
{
    return std::string("/") + key + "(" + PdfCleanString(EncryptStr(value)) + ")";
}

std::string TPdfInfo::AsString()
{
    Creator = CreatorText;
    return Entry("Producer", Producer) + "\n" + Entry("Author", Author) + "\n" + Entry("Title", Title) + "\n" +
           Entry("Subject", Subject) + "\n" + Entry("Keywords", Keywords) + "\n" + Entry("CreationDate", CreationDate) +
           "\n" + Entry("ModDate", ModDate) + "\n" + Entry("Creator", Creator);
}

void TPdfInfo::Assign(const TPdfDeviceInfoBlock& block)
{
    Author = block.Author;
    CreationDate = block.CreationDate;
    ModDate = block.ModDate;
    Creator = block.Creator;
    Producer = block.Producer;
    Title = block.Title;
    Subject = block.Subject;
    Keywords = block.Keywords;
}
